// A record source over records held in memory, for the expression and index tests: fields
// with their stored texts, a current record, deletion flags and other sources under aliases.
#pragma once

#include "xbase/XbExpr.h"

#include <cctype>
#include <map>
#include <string>
#include <vector>

struct TTestField {
    std::string Name;
    char Type;
    int Length;
    int Decimals;
};

class TTestRecords : public TXbRecordSource {
public:
    explicit TTestRecords(std::vector<TTestField> fields) : fields_(std::move(fields)) {}

    // Appends a record of stored field texts (padded to the field widths, numbers
    // right-aligned) and makes it current.
    void Add(const std::vector<std::string>& values, bool deleted = false) {
        std::vector<std::string> record;
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            std::string v = i < values.size() ? values[i] : std::string();
            const auto width = static_cast<std::size_t>(fields_[i].Length);
            if (fields_[i].Type != 'M' && v.size() < width)
                v = fields_[i].Type == 'N' ? std::string(width - v.size(), ' ') + v
                                           : v + std::string(width - v.size(), ' ');
            record.push_back(v);
        }
        records_.push_back(record);
        deleted_.push_back(deleted);
        current_ = static_cast<LongInt>(records_.size());
    }
    void Set(LongInt recno, std::size_t field, const std::string& value) {
        std::string v = value;
        const auto width = static_cast<std::size_t>(fields_[field].Length);
        if (v.size() < width)
            v = fields_[field].Type == 'N' ? std::string(width - v.size(), ' ') + v
                                           : v + std::string(width - v.size(), ' ');
        records_[static_cast<std::size_t>(recno) - 1][field] = v;
    }
    bool Go(LongInt recno) {
        if (recno < 1 || recno > Count()) return false;
        current_ = recno;
        return true;
    }
    LongInt Count() const { return static_cast<LongInt>(records_.size()); }
    void AddAlias(const std::string& alias, const TTestRecords* other) { aliases_[alias] = other; }

    bool FindField(std::string_view alias, std::string_view name,
                   TXbFieldRef& field) const override {
        const TTestRecords* owner = this;
        int area = 0;
        if (!alias.empty()) {
            owner = nullptr;
            for (const auto& [a, source] : aliases_) {
                ++area;
                if (Same(a, alias)) {
                    owner = source;
                    break;
                }
            }
            if (!owner) return false;
        }
        for (std::size_t i = 0; i < owner->fields_.size(); ++i) {
            const TTestField& f = owner->fields_[i];
            if (Same(f.Name, name)) {
                field = {area * 1000 + static_cast<int>(i), f.Type, f.Length, f.Decimals};
                return true;
            }
        }
        return false;
    }

    std::string FieldText(const TXbFieldRef& field) const override {
        const TTestRecords* owner = this;
        const int area = field.Handle / 1000;
        if (area > 0) {
            auto it = aliases_.begin();
            std::advance(it, area - 1);
            owner = it->second;
        }
        return owner->records_[static_cast<std::size_t>(owner->current_) - 1]
                              [static_cast<std::size_t>(field.Handle % 1000)];
    }
    LongInt RecNo() const override { return current_; }
    bool Deleted() const override { return deleted_[static_cast<std::size_t>(current_) - 1]; }

private:
    static bool Same(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(a[i])) !=
                std::toupper(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    }

    std::vector<TTestField> fields_;
    std::vector<std::vector<std::string>> records_;
    std::vector<bool> deleted_;
    std::map<std::string, const TTestRecords*> aliases_;
    LongInt current_ = 0;
};
