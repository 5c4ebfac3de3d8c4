#include "controls/entry/DateRoutines.h"

TDayNumber DateToday() {
    return CurrentDate();
}

void DateSplitDMY(TDayNumber date, int& day, int& month, int& year) {
    DateToDMY(date, day, month, year);
}

int DateWeekday(TDayNumber date) {
    return DayOfWeek(date);
}

bool DateValidDMY(int day, int month, int year) {
    return ValidDate(day, month, year, 1900);
}
