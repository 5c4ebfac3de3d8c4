// Shared helpers of the advisors' tests: recorded messages, the shipped limits file, monthly
// loans and records added to the register's tables, with the runtime tests' folder of a test's own.
#pragma once

#include "advisors/AdvisorMessages.h"
#include "advisors/AmortizationSchedule.h"
#include "advisors/LeaseBuyEngine.h"
#include "advisors/Register.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

struct TRecordedMessage {
    TAdvisorMsgKind Kind;
    std::string Text;
};

// Records every advisor message while it lives.
class TMessageRecorder {
public:
    TMessageRecorder() {
        OnAdvisorMessage = [this](TAdvisorMsgKind kind, const std::string& text) {
            Messages.push_back({kind, text});
        };
    }
    ~TMessageRecorder() { OnAdvisorMessage = nullptr; }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TRecordedMessage& m : Messages)
            texts.push_back(m.Text);
        return texts;
    }
    std::vector<TRecordedMessage> Messages;
};

// The limits file the build puts beside the program.
inline std::string ShippedAutoBin() {
    return std::string(VANTREL_BINARY_DIR) + "/app/auto.bin";
}

// A loan paid and compounded monthly.
inline TAmortLoan MonthlyLoan(double amount, Word n, float rate, TDayNumber org, TDayNumber first) {
    return {.PV = amount,
            .NumPmts = n,
            .Rate = rate,
            .OrgDate = org,
            .FrstPmtDate = first,
            .PYR = 2,     // "Monthly" in the payment-frequency list
            .CmpPYR = 3}; // "Monthly" in the frequency list
}

// 100,000 at 8 % over Periods months, made on 1 January 2020 and first paid on 1 February.
inline TAmortLoan StandardLoan(Word Periods = 360) {
    return MonthlyLoan(100000, Periods, 8, DMYToDate(1, 1, 2020, 0), DMYToDate(1, 2, 2020, 0));
}

// A register table of Dir opened, in the order of Tag when one is given.
inline std::unique_ptr<TTable> OpenRegisterTable(const std::string& Dir, const std::string& Table,
                                                 const std::string& Tag = "") {
    std::unique_ptr<TTable> table = RegisterTable(Dir, Table, Tag);
    table->Open();
    return table;
}

// Appends a record to a register table of Dir with the fields given.
inline void AddRecord(const std::string& Dir, const std::string& Table,
                      const std::vector<std::pair<const char*, std::string>>& Fields) {
    std::unique_ptr<TTable> table = OpenRegisterTable(Dir, Table);
    table->Append();
    for (const auto& [field, value] : Fields)
        table->FieldByName(field)->SetAsString(value);
    table->Post();
}

// Lets the user write every file of Dir again but File: a folder whose files the user owns and
// that were all closed (TRefusal::ClosedFiles) then refuses that one alone. For a refusal's body.
inline void ReopenAllBut(const std::string& Dir, const std::string& File) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Dir))
        if (entry.path().filename() != File)
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, error);
}

// A car-sized purchase against a three-year lease, monthly, fully used for business.
inline TLeaseBuyData SampleLeaseBuyData() {
    TLeaseBuyData d;
    d.Asset = "delivery van";
    d.DiscountRate = 6;
    d.BusinessUsePercent = 100;
    d.TaxRate = 30;
    d.TaxRateSale = 20;
    d.TaxRateProperty = 1;
    d.Price = 30000;
    d.PurchaseSalesTax = 5;
    d.PurchaseDeposit = 3000;
    d.PurchaseRate = 8;
    d.PurchaseNumPmts = 60;
    d.OverrideEndPurchase = false;
    d.LeasePmt = 450;
    d.LeaseNumPmts = 36;
    d.LeaseDeposit = 500;
    d.AcquisitionCosts = 700;
    d.LeaseMiscExpense = 120;
    d.LeaseEndExpense = 250;
    d.OverrideEndLease = true;
    d.LeaseEndValue = 15000;
    d.LeaseEndOptionPrice = 14000;
    d.Life = 5;
    d.DepreciationMthd = dm200DB;
    return d;
}
