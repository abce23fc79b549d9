#pragma once
// The search conditions of the directory program: the texts of the search
// boxes turned into one SQL condition for the apartments listing and one
// for the organisations listing, each the value of its SELECT's `where`
// macro. Plain functions over strings, so that they are tested without a
// window or a database.
//
// A box's text becomes an SQL string literal: it is upper-cased by the
// Windows-1251 rules and every single quote in it is doubled, so whatever
// the user types (a quote, SQL words) is searched for literally.

#include <string>
#include <string_view>

// Between two comparisons: blank, AND, blank, line feed, carriage return.
inline constexpr std::string_view ConditionSeparator = " AND \n\r";

// Prev (followed by the separator when not empty), then
// UPPER(column) STARTING WITH 'TEXT'.
std::string AddStartingWithCondition(std::string_view prev, std::string_view column, std::string_view text);
// ... UPPER(column) CONTAINING 'TEXT'.
std::string AddContainingCondition(std::string_view prev, std::string_view column, std::string_view text);
// ... UPPER(column) = 'TEXT'.
std::string AddEqualsCondition(std::string_view prev, std::string_view column, std::string_view text);

// The text of the five search boxes; an empty text does not count.
struct TSearchBoxes {
  std::string Phone;
  std::string Name;
  std::string Street;
  std::string Build;
  std::string Apartment;
};

// The two conditions; either may be empty (its listing then stays closed).
struct TSearchConditions {
  std::string Home;
  std::string Org;
};

// Phone (by equality from five characters on, else by prefix), street,
// house and name apply to both listings (a person's name starts with the
// text, an organisation's contains it); the apartment to apartments only.
TSearchConditions BuildSearchConditions(const TSearchBoxes& boxes);
