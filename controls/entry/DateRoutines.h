// Short forms of the day-number date routines for the program's other units.
#pragma once

#include "controls/entry/DayNumberDates.h"

// CurrentDate, DateToDMY and DayOfWeek.
TDayNumber DateToday();
void DateSplitDMY(TDayNumber date, int& day, int& month, int& year);
int DateWeekday(TDayNumber date);
// ValidDate with two-digit years taken from 1900 on.
bool DateValidDMY(int day, int month, int year);
