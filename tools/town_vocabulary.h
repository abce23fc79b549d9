#pragma once
// The words the synthetic town is made of: surnames, initials, street names,
// kinds of organisation with their names and divisions. The lists are
// written in UTF-8 here and converted to Windows-1251 once by the generator;
// their order is part of the generated data, so appending to a list changes
// every town built after it.

#include <span>
#include <string>
#include <string_view>

// Surnames in their male form; the female form follows from the ending
// (FemaleSurname).
std::span<const std::string_view> MaleSurnames();

// "Иванов" → "Иванова", "Успенский" → "Успенская", "Толстой" → "Толстая";
// an ending that does not change with gender ("Шевченко", "Черных") is kept.
std::string FemaleSurname(std::string_view maleSurname);

// Letters to draw initials from, repeated by how common they are.
std::string_view MaleFirstInitials();
std::string_view FemaleFirstInitials();
std::string_view PatronymicInitials();

// Street names as the directory stores them, without "ул.". The first
// streets are the long ones: the generator puts more houses on them.
std::span<const std::string_view> StreetNames();

// How an organisation of a kind is named.
enum class TOrganisationNaming {
  Brand,     // a name from the brand list, sometimes with a suffix
  Person,    // a private entrepreneur: a surname and initials
  Numbered,  // the kind's template with its next number: "Средняя школа № 3"
  Listed,    // a name from the kind's own list
};

// A kind of organisation: its short type (the directory's "Тип"), how it is
// named, how often it occurs, and the divisions it may have. The first
// division is the one every organisation of the kind has.
struct TOrganisationKind {
  std::string_view Short;
  TOrganisationNaming Naming;
  int Weight;
  // The template (Numbered, with one "%d") or nothing.
  std::string_view NameTemplate;
  // The names to choose from (Listed) or nothing.
  std::span<const std::string_view> Names;
  std::span<const std::string_view> Divisions;
  // At most this many divisions.
  int MaxDivisions;
};

std::span<const TOrganisationKind> OrganisationKinds();

// Names of firms, and the suffixes that vary them ("Север-Трейд").
std::span<const std::string_view> BrandNames();
std::span<const std::string_view> BrandSuffixes();
