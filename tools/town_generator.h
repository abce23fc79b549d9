#pragma once
// The synthetic town of the sample directory database: streets, houses with
// their corps, residents' apartments with one listed phone each, and
// organisations with their divisions and the divisions' phone lines. All
// text is Windows-1251. The town is a pure function of its size: the same
// size gives the same town, byte for byte, on every machine (a fixed-seed
// generator of our own, no library randomness).
//
// Identifiers start at 1 and follow the order of the vectors, so a row's
// identifier is its index plus one.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"

// What the sample database builder raises for a size it cannot make, a file
// it must not replace, or a build that failed on the way.
TULVO_DECLARE_EXCEPTION(ESampleDatabaseError, Exception);

// How big a town to make: the rows of the apartments listing and of the
// organisations listing (one row per phone line of a division).
struct TTownSize {
  int Apartments = 20000;
  int OrganisationRows = 2000;
};

inline constexpr int MaxTownRows = 1000000;

// Limits the directory program's search boxes put on the data.
inline constexpr int MaxBuild = 9999;    // four digits
inline constexpr int MaxApartment = 99;  // two characters
inline constexpr int MinPhone = 10000;   // five digits
inline constexpr int MaxPhone = 99999;

struct TStreet {
  int Id = 0;
  std::string Name;

  bool operator==(const TStreet&) const = default;
};

struct THouse {
  int Id = 0;
  int StreetId = 0;
  int Build = 0;
  // "" for a house without corps, else "А", "Б", "1", "2".
  std::string Corp;

  bool operator==(const THouse&) const = default;
};

struct TResident {
  int Id = 0;
  int HouseId = 0;
  int Apartment = 0;
  // "Surname I.P."
  std::string Name;
  int Phone = 0;

  bool operator==(const TResident&) const = default;
};

struct TOrganisationType {
  int Id = 0;
  std::string Short;

  bool operator==(const TOrganisationType&) const = default;
};

struct TOrganisation {
  int Id = 0;
  int TypeId = 0;
  int HouseId = 0;
  std::string Name;

  bool operator==(const TOrganisation&) const = default;
};

struct TDivision {
  int Id = 0;
  int OrganisationId = 0;
  std::string Name;

  bool operator==(const TDivision&) const = default;
};

struct TDivisionPhone {
  int Id = 0;
  int DivisionId = 0;
  int Phone = 0;

  bool operator==(const TDivisionPhone&) const = default;
};

struct TTown {
  std::vector<TStreet> Streets;
  std::vector<THouse> Houses;
  std::vector<TResident> Residents;
  std::vector<TOrganisationType> OrganisationTypes;
  std::vector<TOrganisation> Organisations;
  std::vector<TDivision> Divisions;
  std::vector<TDivisionPhone> DivisionPhones;
};

// Raises ESampleDatabaseError when a count is below 1 or above MaxTownRows.
TTown GenerateTown(const TTownSize& size);

// The deterministic source of the town's choices (SplitMix64).
class TTownRandom {
 public:
  explicit TTownRandom(std::uint64_t seed) : FState(seed) {}

  std::uint64_t Next();
  // Uniform in [0, bound); bound > 0.
  int Below(int bound);
  // True in `percent` cases of a hundred.
  bool Chance(int percent) { return Below(100) < percent; }

 private:
  std::uint64_t FState;
};

// The k-th phone number handed out: a permutation of the five-digit numbers,
// so the first 90,000 numbers are all different and the rest repeat them.
int PhoneNumber(int k);
