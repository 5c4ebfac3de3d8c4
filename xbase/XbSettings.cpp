#include "xbase/XbSettings.h"

#include "platform/rtl/Regional.h"

#include <cctype>
#include <cstdio>

TXbSettings& XbSettings() {
    static auto* settings = new TXbSettings(); // never destroyed: areas closed at exit read it
    return *settings;
}

namespace {

// The order of day, month and year ("mdy", "ymd", "dmy") and the separator of the date format.
struct TDateLayout {
    std::string Order;
    char Separator;
};

TDateLayout SystemLayout() {
    const TFormatSettings& fs = FormatSettings();
    std::string order;
    for (char c : fs.ShortDateFormat) {
        const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos) order += l;
    }
    if (order.size() != 3) order = "mdy";
    return {order, fs.DateSeparator ? fs.DateSeparator : '/'};
}

TDateLayout CurrentLayout() {
    switch (XbSettings().DateFormat) {
    case 1: return {"ymd", '.'};
    case 2:
    case 3: return {"dmy", '/'};
    case 4: return {"dmy", '.'};
    case 5:
    case 6: return {"dmy", '-'};
    case 99: return SystemLayout();
    default: return {"mdy", '/'};
    }
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

} // namespace

bool XbValidDate(const std::string& stored) {
    if (stored.size() != 8 || !AllDigits(stored)) return false;
    const int year = std::stoi(stored.substr(0, 4));
    const int month = std::stoi(stored.substr(4, 2));
    const int day = std::stoi(stored.substr(6, 2));
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

std::string XbDateToText(const std::string& stored) {
    const TDateLayout layout = CurrentLayout();
    const bool valid = XbValidDate(stored);
    const bool century = XbSettings().Century;
    std::string text;
    for (char part : layout.Order) {
        if (!text.empty()) text += layout.Separator;
        std::string piece;
        if (part == 'y')
            piece = valid ? stored.substr(century ? 0 : 2, century ? 4 : 2)
                          : std::string(century ? 4 : 2, ' ');
        else
            piece = valid ? stored.substr(part == 'm' ? 4 : 6, 2) : std::string(2, ' ');
        text += piece;
    }
    return text;
}

std::string XbTextToDate(const std::string& text) {
    const std::string blank(8, ' ');
    const TDateLayout layout = CurrentLayout();
    std::string pieces[3];
    int index = 0;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            pieces[index] += c;
        else if (c != ' ' && ++index > 2)
            return blank;
    }
    int values[3] = {0, 0, 0}; // day, month, year
    for (int i = 0; i < 3; ++i) {
        if (pieces[i].empty() || pieces[i].size() > 4) return blank;
        const char part = layout.Order[static_cast<std::size_t>(i)];
        values[part == 'd' ? 0 : part == 'm' ? 1 : 2] = std::stoi(pieces[i]);
        if (part == 'y' && pieces[i].size() <= 2) {
            const int epoch = XbSettings().Epoch;
            int year = (epoch / 100) * 100 + values[2];
            if (year < epoch) year += 100;
            values[2] = year;
        }
    }
    if (values[0] > 31 || values[1] > 12) return blank;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", values[2], values[1], values[0]);
    const std::string stored = buffer;
    return XbValidDate(stored) ? stored : blank;
}
