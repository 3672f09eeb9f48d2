#pragma once

// Dates of the proleptic Gregorian calendar as days counted from 1 January 1970 (negative
// before), and back, without a calendar library.

#include <cstdint>

// The days from 30 December 1899, where the program's date values count from, to 1970.
constexpr std::int64_t kDaysFrom1899To1970 = 25569;

std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);
