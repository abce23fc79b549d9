#include "tools/town_generator.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <span>
#include <stdexcept>
#include <string_view>

#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"
#include "tools/town_vocabulary.h"

// ---- TTownRandom --------------------------------------------------------------

std::uint64_t TTownRandom::Next() {
  FState += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = FState;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int TTownRandom::Below(int bound) {
  // The high half scaled to the bound: no modulo bias worth speaking of.
  return static_cast<int>(((Next() >> 32) * static_cast<std::uint64_t>(bound)) >> 32);
}

// ---- Phone numbers ----------------------------------------------------------------

namespace {

constexpr std::uint32_t PhoneCount = MaxPhone - MinPhone + 1;

// A Feistel network over 18-bit numbers: a permutation of [0, 2^18) that
// scatters consecutive inputs, whatever the round function.
std::uint32_t Scatter(std::uint32_t x) {
  constexpr std::array<std::uint32_t, 4> Keys = {0x6A09E667u, 0xBB67AE85u, 0x3C6EF372u, 0xA54FF53Au};
  std::uint32_t left = x >> 9;
  std::uint32_t right = x & 0x1FFu;
  for (std::uint32_t key : Keys) {
    std::uint32_t f = (right + 1) * 0x9E3779B1u ^ key;
    f ^= f >> 15;
    const std::uint32_t next = left ^ (f & 0x1FFu);
    left = right;
    right = next;
  }
  return (left << 9) | right;
}

}  // namespace

int PhoneNumber(int k) {
  // Walking the cycle until it comes back into range keeps the permutation a
  // permutation of the smaller range.
  std::uint32_t x = static_cast<std::uint32_t>(k) % PhoneCount;
  do {
    x = Scatter(x);
  } while (x >= PhoneCount);
  return MinPhone + static_cast<int>(x);
}

// ---- The town -------------------------------------------------------------------------

namespace {

// Separate streams for the two halves, so the apartments of a town do not
// depend on how many organisations it has.
constexpr std::uint64_t ApartmentsSeed = 0x7475'6C76'6F00'0001ull;
constexpr std::uint64_t OrganisationsSeed = 0x7475'6C76'6F00'0002ull;

// Apartments in a house: private houses, five-storey and nine-storey blocks.
constexpr std::array<int, 20> HouseSizes = {1,  2,  4,  8,  12, 16, 20, 24, 30, 32,
                                            36, 40, 45, 48, 54, 60, 70, 72, 80, 99};

// A small town has fewer streets; a street has at least a few houses.
constexpr int ApartmentsPerStreet = 200;
constexpr int MinStreets = 8;

// Percent of the apartments that have a listed phone.
constexpr int ListedPercent = 85;

std::vector<std::string> ToAnsi(std::span<const std::string_view> words) {
  std::vector<std::string> result;
  result.reserve(words.size());
  for (std::string_view word : words) result.push_back(RU(word));
  return result;
}

// An index biased towards the front of a list: the common surnames and the
// main streets come first.
int FrontBiased(TTownRandom& random, int count) { return std::min(random.Below(count), random.Below(count)); }

// Makes people's names: "Surname I.P." in either gender.
class TNameMaker {
 public:
  TNameMaker() {
    for (std::string_view male : MaleSurnames()) {
      FMale.push_back(RU(male));
      FFemale.push_back(RU(FemaleSurname(male)));
    }
  }

  std::string Make(TTownRandom& random) const {
    const bool female = random.Chance(50);
    const int surname = FrontBiased(random, static_cast<int>(FMale.size()));
    const std::string& firsts = female ? FFemaleFirst : FMaleFirst;
    std::string name = female ? FFemale[surname] : FMale[surname];
    name += ' ';
    name += firsts[random.Below(static_cast<int>(firsts.size()))];
    name += '.';
    name += FPatronymic[random.Below(static_cast<int>(FPatronymic.size()))];
    name += '.';
    return name;
  }

 private:
  std::vector<std::string> FMale;
  std::vector<std::string> FFemale;
  std::string FMaleFirst = RU(MaleFirstInitials());
  std::string FFemaleFirst = RU(FemaleFirstInitials());
  std::string FPatronymic = RU(PatronymicInitials());
};

class TTownBuilder {
 public:
  explicit TTownBuilder(const TTownSize& size) : FSize(size) {}

  TTown Build() {
    AddStreets();
    FRandom = TTownRandom(ApartmentsSeed);
    while (static_cast<int>(FTown.Residents.size()) < FSize.Apartments) AddBuilding();
    FRandom = TTownRandom(OrganisationsSeed);
    AddOrganisationTypes();
    while (static_cast<int>(FTown.DivisionPhones.size()) < FSize.OrganisationRows) AddOrganisation();
    return std::move(FTown);
  }

 private:
  void AddStreets() {
    const std::vector<std::string> names = ToAnsi(StreetNames());
    const int count =
        std::clamp(FSize.Apartments / ApartmentsPerStreet, MinStreets, static_cast<int>(names.size()));
    for (int i = 0; i < count; ++i) FTown.Streets.push_back({i + 1, names[i]});
    FNextBuild.assign(count, 1);
  }

  // One building number on a street: a single house, or a few corps.
  void AddBuilding() {
    const int street = StreetWithRoom(FrontBiased(FRandom, static_cast<int>(FTown.Streets.size())));
    const int build = FNextBuild[street];
    FNextBuild[street] += 1 + FRandom.Below(3);

    static const std::array<std::string, 1> Single = {""};
    static const std::array<std::string, 2> Lettered2 = {"", RU("А")};
    static const std::array<std::string, 3> Lettered3 = {"", RU("А"), RU("Б")};
    static const std::array<std::string, 2> Numbered = {"1", "2"};
    const int kind = FRandom.Below(100);
    const std::span<const std::string> corps = kind < 82   ? std::span<const std::string>(Single)
                                               : kind < 90 ? std::span<const std::string>(Lettered2)
                                               : kind < 94 ? std::span<const std::string>(Lettered3)
                                                           : std::span<const std::string>(Numbered);
    for (const std::string& corp : corps) {
      if (static_cast<int>(FTown.Residents.size()) >= FSize.Apartments) break;
      const int houseId = static_cast<int>(FTown.Houses.size()) + 1;
      FTown.Houses.push_back({houseId, street + 1, build, corp});
      AddResidents(houseId);
    }
  }

  // The street itself when its numbers have not run out, else the next one
  // that has room.
  int StreetWithRoom(int street) const {
    const int count = static_cast<int>(FNextBuild.size());
    for (int tried = 0; tried < count; ++tried) {
      const int candidate = (street + tried) % count;
      if (FNextBuild[candidate] <= MaxBuild) return candidate;
    }
    // Cannot happen within MaxTownRows apartments: every street holds
    // thousands of buildings.
    throw std::logic_error("sample town: no street has a free house number");
  }

  void AddResidents(int houseId) {
    const int apartments = HouseSizes[FRandom.Below(static_cast<int>(HouseSizes.size()))];
    for (int apartment = 1; apartment <= apartments; ++apartment) {
      if (static_cast<int>(FTown.Residents.size()) >= FSize.Apartments) return;
      if (!FRandom.Chance(ListedPercent)) continue;
      const int id = static_cast<int>(FTown.Residents.size()) + 1;
      FTown.Residents.push_back({id, houseId, apartment, FNames.Make(FRandom), PhoneNumber(FNextPhone++)});
    }
  }

  void AddOrganisationTypes() {
    for (const TOrganisationKind& kind : OrganisationKinds()) {
      FTown.OrganisationTypes.push_back(
          {static_cast<int>(FTown.OrganisationTypes.size()) + 1, RU(kind.Short)});
      FTotalWeight += kind.Weight;
    }
    FNumbers.assign(OrganisationKinds().size(), 0);
  }

  int PickKind() {
    int pick = FRandom.Below(FTotalWeight);
    const std::span<const TOrganisationKind> kinds = OrganisationKinds();
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      if (pick < kinds[i].Weight) return static_cast<int>(i);
      pick -= kinds[i].Weight;
    }
    return static_cast<int>(kinds.size()) - 1;
  }

  std::string OrganisationName(int kindIndex) {
    const TOrganisationKind& kind = OrganisationKinds()[kindIndex];
    switch (kind.Naming) {
      case TOrganisationNaming::Brand: {
        std::string name(BrandNames()[FRandom.Below(static_cast<int>(BrandNames().size()))]);
        if (FRandom.Chance(30))
          name += BrandSuffixes()[FRandom.Below(static_cast<int>(BrandSuffixes().size()))];
        return RU(name);
      }
      case TOrganisationNaming::Person:
        return FNames.Make(FRandom);
      case TOrganisationNaming::Numbered:
        return RU(Format(kind.NameTemplate, ++FNumbers[kindIndex]));
      case TOrganisationNaming::Listed:
        return RU(kind.Names[FRandom.Below(static_cast<int>(kind.Names.size()))]);
    }
    return {};
  }

  void AddOrganisation() {
    const int kindIndex = PickKind();
    const TOrganisationKind& kind = OrganisationKinds()[kindIndex];
    const int organisationId = static_cast<int>(FTown.Organisations.size()) + 1;
    const int houseId = 1 + FRandom.Below(static_cast<int>(FTown.Houses.size()));
    FTown.Organisations.push_back({organisationId, kindIndex + 1, houseId, OrganisationName(kindIndex)});

    // The kind's first division always, then others of its list in a
    // random order.
    const int available = static_cast<int>(kind.Divisions.size());
    const int divisions = std::min(available, 1 + FRandom.Below(kind.MaxDivisions));
    std::vector<int> order(available);
    std::iota(order.begin(), order.end(), 0);
    for (int i = 1; i < divisions; ++i) std::swap(order[i], order[i + FRandom.Below(available - i)]);

    for (int i = 0; i < divisions; ++i) {
      if (static_cast<int>(FTown.DivisionPhones.size()) >= FSize.OrganisationRows) return;
      const int divisionId = static_cast<int>(FTown.Divisions.size()) + 1;
      FTown.Divisions.push_back({divisionId, organisationId, RU(kind.Divisions[order[i]])});
      const int lines = FRandom.Chance(15) ? 2 : 1;
      for (int line = 0; line < lines; ++line) {
        if (static_cast<int>(FTown.DivisionPhones.size()) >= FSize.OrganisationRows) return;
        const int lineId = static_cast<int>(FTown.DivisionPhones.size()) + 1;
        FTown.DivisionPhones.push_back({lineId, divisionId, PhoneNumber(FNextPhone++)});
      }
    }
  }

  TTownSize FSize;
  TTown FTown;
  TTownRandom FRandom{ApartmentsSeed};
  TNameMaker FNames;
  std::vector<int> FNextBuild;
  std::vector<int> FNumbers;
  int FTotalWeight = 0;
  int FNextPhone = 0;
};

void CheckCount(std::string_view what, int count) {
  if (count < 1 || count > MaxTownRows)
    throw ESampleDatabaseError(
        Format("The number of %s must be between 1 and %d, not %d", what, MaxTownRows, count));
}

}  // namespace

TTown GenerateTown(const TTownSize& size) {
  CheckCount("apartments", size.Apartments);
  CheckCount("organisation rows", size.OrganisationRows);
  return TTownBuilder(size).Build();
}
