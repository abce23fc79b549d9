// The synthetic town: determinism, the limits the program's search boxes
// put on the data, the column sizes, and the surname forms.

#include "tools/town_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "framework/core/text/text.h"
#include "tools/town_vocabulary.h"

namespace {

// Every rule a generated town must keep, whatever its size.
void CheckTown(const TTown& town, const TTownSize& size) {
  ASSERT_EQ(static_cast<int>(town.Residents.size()), size.Apartments);
  ASSERT_EQ(static_cast<int>(town.DivisionPhones.size()), size.OrganisationRows);

  for (std::size_t i = 0; i < town.Streets.size(); ++i) {
    ASSERT_EQ(town.Streets[i].Id, static_cast<int>(i) + 1);
    ASSERT_FALSE(town.Streets[i].Name.empty());
    ASSERT_LE(town.Streets[i].Name.size(), 40u);
  }

  std::set<std::tuple<int, int, std::string>> addresses;
  const std::set<std::string> corps = {"", RU("А"), RU("Б"), "1", "2"};
  for (std::size_t i = 0; i < town.Houses.size(); ++i) {
    const THouse& house = town.Houses[i];
    ASSERT_EQ(house.Id, static_cast<int>(i) + 1);
    ASSERT_GE(house.StreetId, 1);
    ASSERT_LE(house.StreetId, static_cast<int>(town.Streets.size()));
    ASSERT_GE(house.Build, 1);
    ASSERT_LE(house.Build, MaxBuild);
    ASSERT_TRUE(corps.contains(house.Corp)) << house.Corp;
    ASSERT_TRUE(addresses.insert({house.StreetId, house.Build, house.Corp}).second)
        << "two houses at one address: " << house.Id;
  }

  std::set<std::pair<int, int>> apartments;
  for (std::size_t i = 0; i < town.Residents.size(); ++i) {
    const TResident& resident = town.Residents[i];
    ASSERT_EQ(resident.Id, static_cast<int>(i) + 1);
    ASSERT_GE(resident.HouseId, 1);
    ASSERT_LE(resident.HouseId, static_cast<int>(town.Houses.size()));
    ASSERT_GE(resident.Apartment, 1);
    ASSERT_LE(resident.Apartment, MaxApartment);
    ASSERT_TRUE(apartments.insert({resident.HouseId, resident.Apartment}).second) << "apartment listed twice";
    ASSERT_GE(resident.Phone, MinPhone);
    ASSERT_LE(resident.Phone, MaxPhone);
    ASSERT_FALSE(resident.Name.empty());
    ASSERT_LE(resident.Name.size(), 40u);
  }

  for (const TOrganisationType& type : town.OrganisationTypes)
    ASSERT_LE(type.Short.size(), 18u) << type.Short;
  for (std::size_t i = 0; i < town.Organisations.size(); ++i) {
    const TOrganisation& organisation = town.Organisations[i];
    ASSERT_EQ(organisation.Id, static_cast<int>(i) + 1);
    ASSERT_GE(organisation.TypeId, 1);
    ASSERT_LE(organisation.TypeId, static_cast<int>(town.OrganisationTypes.size()));
    ASSERT_GE(organisation.HouseId, 1);
    ASSERT_LE(organisation.HouseId, static_cast<int>(town.Houses.size()));
    ASSERT_FALSE(organisation.Name.empty());
    ASSERT_LE(organisation.Name.size(), 40u) << AnsiToUtf8(organisation.Name);
  }
  for (std::size_t i = 0; i < town.Divisions.size(); ++i) {
    ASSERT_EQ(town.Divisions[i].Id, static_cast<int>(i) + 1);
    ASSERT_LE(town.Divisions[i].Name.size(), 40u);
    ASSERT_GE(town.Divisions[i].OrganisationId, 1);
    ASSERT_LE(town.Divisions[i].OrganisationId, static_cast<int>(town.Organisations.size()));
  }
  for (std::size_t i = 0; i < town.DivisionPhones.size(); ++i) {
    const TDivisionPhone& line = town.DivisionPhones[i];
    ASSERT_EQ(line.Id, static_cast<int>(i) + 1);
    ASSERT_GE(line.DivisionId, 1);
    ASSERT_LE(line.DivisionId, static_cast<int>(town.Divisions.size()));
    ASSERT_GE(line.Phone, MinPhone);
    ASSERT_LE(line.Phone, MaxPhone);
  }
  // Every organisation and division has at least one line.
  ASSERT_EQ(town.DivisionPhones.back().DivisionId, static_cast<int>(town.Divisions.size()));
  ASSERT_EQ(town.Divisions.back().OrganisationId, static_cast<int>(town.Organisations.size()));
}

TEST(TownGenerator, SameSizeGivesTheSameTown) {
  const TTownSize size{3000, 400};
  const TTown first = GenerateTown(size);
  const TTown second = GenerateTown(size);
  EXPECT_TRUE(first.Streets == second.Streets);
  EXPECT_TRUE(first.Houses == second.Houses);
  EXPECT_TRUE(first.Residents == second.Residents);
  EXPECT_TRUE(first.Organisations == second.Organisations);
  EXPECT_TRUE(first.Divisions == second.Divisions);
  EXPECT_TRUE(first.DivisionPhones == second.DivisionPhones);
}

TEST(TownGenerator, FirstRowsAreFixedAcrossRuns) {
  // Pins the generator's output: a change to the sequence or the word lists
  // shows here, as it changes every sample database built from then on.
  const TTown town = GenerateTown({500, 50});
  EXPECT_EQ(AnsiToUtf8(town.Streets[0].Name), "Ленина");
  EXPECT_EQ(town.Houses[0], (THouse{1, 2, 1, ""}));
  EXPECT_EQ(AnsiToUtf8(town.Residents[0].Name), "Чернов С.И.");
  EXPECT_EQ(AnsiToUtf8(town.Residents[1].Name), "Мальцева Д.Л.");
  EXPECT_EQ(town.Residents[0].Phone, 47901);
  EXPECT_EQ(AnsiToUtf8(town.Organisations[0].Name), "Городские бани");
  EXPECT_EQ(AnsiToUtf8(town.OrganisationTypes[town.Organisations[0].TypeId - 1].Short), "МУП");
  EXPECT_EQ(AnsiToUtf8(town.Divisions[0].Name), "Приёмная");
  EXPECT_EQ(town.DivisionPhones[0].Phone, 98358);
}

TEST(TownGenerator, OrganisationCountDoesNotChangeTheApartments) {
  const TTown few = GenerateTown({2000, 10});
  const TTown many = GenerateTown({2000, 900});
  EXPECT_TRUE(few.Houses == many.Houses);
  EXPECT_TRUE(few.Residents == many.Residents);
}

TEST(TownGenerator, SmallTownKeepsEveryRule) { CheckTown(GenerateTown({500, 50}), {500, 50}); }

TEST(TownGenerator, DefaultTownKeepsEveryRule) {
  const TTownSize size;
  const TTown town = GenerateTown(size);
  CheckTown(town, size);
  EXPECT_EQ(town.Streets.size(), StreetNames().size());
  // Below 90,000 phones every number is handed out once.
  std::set<int> phones;
  for (const TResident& resident : town.Residents) phones.insert(resident.Phone);
  for (const TDivisionPhone& line : town.DivisionPhones) phones.insert(line.Phone);
  EXPECT_EQ(phones.size(), town.Residents.size() + town.DivisionPhones.size());
  // Corps of every kind occur.
  std::set<std::string> corps;
  for (const THouse& house : town.Houses) corps.insert(house.Corp);
  EXPECT_EQ(corps.size(), 5u);
}

TEST(TownGenerator, LargestTownStaysWithinTheSearchBoxes) {
  // What depends on the size: house numbers grow with the town and must
  // keep to the four digits of the house box.
  const TTown town = GenerateTown({MaxTownRows, 10});
  ASSERT_EQ(static_cast<int>(town.Residents.size()), MaxTownRows);
  for (const THouse& house : town.Houses) ASSERT_LE(house.Build, MaxBuild);
  for (const TResident& resident : town.Residents) {
    ASSERT_LE(resident.Apartment, MaxApartment);
    ASSERT_GE(resident.Phone, MinPhone);
    ASSERT_LE(resident.Phone, MaxPhone);
  }
}

TEST(TownGenerator, PhoneNumbersArePermutedFiveDigitNumbers) {
  std::vector<bool> seen(MaxPhone + 1, false);
  for (int k = 0; k < MaxPhone - MinPhone + 1; ++k) {
    const int phone = PhoneNumber(k);
    ASSERT_GE(phone, MinPhone);
    ASSERT_LE(phone, MaxPhone);
    ASSERT_FALSE(seen[phone]) << "phone handed out twice: " << phone;
    seen[phone] = true;
  }
  EXPECT_EQ(PhoneNumber(90000), PhoneNumber(0));
  // Neighbouring apartments do not get neighbouring numbers.
  EXPECT_GT(std::abs(PhoneNumber(1) - PhoneNumber(0)), 1);
}

class TownSizeLimits : public ::testing::TestWithParam<TTownSize> {};

TEST_P(TownSizeLimits, OutOfRangeSizeIsRefused) {
  EXPECT_THROW(GenerateTown(GetParam()), ESampleDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TownSizeLimits,
                         ::testing::Values(TTownSize{0, 10}, TTownSize{10, 0}, TTownSize{-5, 10},
                                           TTownSize{MaxTownRows + 1, 10}, TTownSize{10, MaxTownRows + 1}));

struct TSurnameCase {
  const char* Male;
  const char* Female;
};

class FemaleSurnames : public ::testing::TestWithParam<TSurnameCase> {};

TEST_P(FemaleSurnames, EndingFollowsTheSurnameKind) {
  EXPECT_EQ(FemaleSurname(GetParam().Male), GetParam().Female);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, FemaleSurnames,
    ::testing::Values(TSurnameCase{"Иванов", "Иванова"}, TSurnameCase{"Фёдоров", "Фёдорова"},
                      TSurnameCase{"Соловьёв", "Соловьёва"}, TSurnameCase{"Никитин", "Никитина"},
                      TSurnameCase{"Успенский", "Успенская"}, TSurnameCase{"Высоцкий", "Высоцкая"},
                      TSurnameCase{"Толстой", "Толстая"}, TSurnameCase{"Белый", "Белая"},
                      TSurnameCase{"Шевченко", "Шевченко"}, TSurnameCase{"Черных", "Черных"},
                      TSurnameCase{"Цой", "Цой"}, TSurnameCase{"Ким", "Ким"},
                      TSurnameCase{"Коваль", "Коваль"}));

}  // namespace
