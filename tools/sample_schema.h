#pragma once
// The schema of the sample directory database: normalised tables of streets,
// houses, residents, organisation types, organisations, divisions and the
// divisions' phone lines, and the two views the directory program reads,
// HOME_PHONES and ORG_PHONES, with the column names, types and sizes of its
// persistent fields.
//
// The program searches the views with conditions such as
// UPPER(NAME) STARTING WITH '...', UPPER(PHONE) = '12345' (PHONE is an
// integer: the engine converts it to text first) and UPPER(BUILD) = '7'.
// The engine carries such a condition on a view column down to the base
// table's column, so an index computed by the same UPPER expression on the
// base table serves it; one exists for every condition the program builds
// except CONTAINING, which no index can serve.
//
// The statements run in three groups: the tables (committed before rows go
// in), the rows, then the keys, indexes and views (built over the loaded
// rows in one pass each, which is much faster than maintaining them while
// loading).

#include <span>
#include <string_view>

std::span<const std::string_view> SampleTableStatements();
std::span<const std::string_view> SampleIndexAndViewStatements();

// One INSERT per table, its parameters in the order the builder binds them.
inline constexpr std::string_view InsertStreetSQL =
    "INSERT INTO STREETS (STREET_ID, STREET_NAME) VALUES (?, ?)";
inline constexpr std::string_view InsertHouseSQL =
    "INSERT INTO HOUSES (HOUSE_ID, STREET_ID, BUILD, CORP) VALUES (?, ?, ?, ?)";
inline constexpr std::string_view InsertResidentSQL =
    "INSERT INTO RESIDENTS (HOME_ID, HOUSE_ID, APARTAMENT, NAME, PHONE) VALUES (?, ?, ?, ?, ?)";
inline constexpr std::string_view InsertOrganisationTypeSQL =
    "INSERT INTO ORGANISATION_TYPES (TYPE_ID, SHORT) VALUES (?, ?)";
inline constexpr std::string_view InsertOrganisationSQL =
    "INSERT INTO ORGANISATIONS (ORGANISATION_ID, TYPE_ID, HOUSE_ID, NAME) VALUES (?, ?, ?, ?)";
inline constexpr std::string_view InsertDivisionSQL =
    "INSERT INTO DIVISIONS (DIV_ID, ORGANISATION_ID, DIVISION_NAME) VALUES (?, ?, ?)";
inline constexpr std::string_view InsertDivisionPhoneSQL =
    "INSERT INTO DIVISION_PHONES (LINE_ID, DIV_ID, PHONE) VALUES (?, ?, ?)";
