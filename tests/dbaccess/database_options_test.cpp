// The option objects of the connection and the datasets.

#include "dbaccess/connection/database_options.h"

#include <gtest/gtest.h>

#include "framework/core/component/strings.h"

namespace {

TEST(AutoUpdateOptions, TableNameNamesTheGeneratorOnlyWhenOneIsUsed) {
  TAutoUpdateOptions options;
  options.SetUpdateTableName("CUSTOMERS");
  EXPECT_EQ(options.GeneratorName(), "");

  options.SetWhenGetGenID(wgBeforePost);
  options.SetUpdateTableName("CUSTOMERS");
  EXPECT_EQ(options.GeneratorName(), "GEN_CUSTOMERS_ID");
  // A named generator stays.
  options.SetUpdateTableName("ORDERS");
  EXPECT_EQ(options.GeneratorName(), "GEN_CUSTOMERS_ID");
  EXPECT_EQ(options.UpdateTableName(), "ORDERS");
}

TEST(AutoUpdateOptions, UpdateOnlyModifiedFieldsNeedsRewritableStatements) {
  TAutoUpdateOptions options;
  options.SetUpdateOnlyModifiedFields(true);
  EXPECT_FALSE(options.UpdateOnlyModifiedFields());
  options.SetAutoReWriteSqls(true);
  options.SetUpdateOnlyModifiedFields(true);
  EXPECT_FALSE(options.UpdateOnlyModifiedFields());
  options.SetCanChangeSQLs(true);
  options.SetUpdateOnlyModifiedFields(true);
  EXPECT_TRUE(options.UpdateOnlyModifiedFields());
  options.SetUpdateOnlyModifiedFields(false);
  EXPECT_FALSE(options.UpdateOnlyModifiedFields());
}

TEST(AutoUpdateOptions, UseGeneratorSwitchesBetweenNeverAndBeforePost) {
  TAutoUpdateOptions options;
  EXPECT_FALSE(options.UseGenerator());
  options.SetUseGenerator(true);
  EXPECT_EQ(options.WhenGetGenID(), wgBeforePost);
  options.SetWhenGetGenID(wgOnNewRecord);
  options.SetUseGenerator(true);
  EXPECT_EQ(options.WhenGetGenID(), wgOnNewRecord);
  options.SetUseGenerator(false);
  EXPECT_EQ(options.WhenGetGenID(), wgNever);
}

TEST(AutoUpdateOptions, AssignCopiesEverythingAndLinksDropEmptyLines) {
  TAutoUpdateOptions source;
  source.SetKeyFields("ID");
  source.SetWhenGetGenID(wgOnNewRecord);
  source.SetUpdateTableName("STREETS");
  source.SetGeneratorStep(5);
  source.SetAutoParamsToFields(true);
  TStringList links;
  links.SetText("STREET_ID=ID\r\n\r\nNAME=TITLE\r\n\r\n");
  source.SetParamsToFieldsLinks(links);
  EXPECT_EQ(source.ParamsToFieldsLinks().Count(), 2);

  TAutoUpdateOptions copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.KeyFields(), "ID");
  EXPECT_EQ(copy.UpdateTableName(), "STREETS");
  EXPECT_EQ(copy.GeneratorName(), "GEN_STREETS_ID");
  EXPECT_EQ(copy.WhenGetGenID(), wgOnNewRecord);
  EXPECT_EQ(copy.GeneratorStep(), 5);
  EXPECT_TRUE(copy.AutoParamsToFields());
  EXPECT_EQ(copy.ParamsToFieldsLinks().Text(), "STREET_ID=ID\r\nNAME=TITLE\r\n");
  TFormatFields other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(FormatFields, DefaultsAndAssign) {
  TFormatFields formats;
  EXPECT_EQ(formats.DateTimeDisplayFormat(), "dd.mm.yyyy hh:mm AMPM");
  EXPECT_EQ(formats.NumericDisplayFormat(), "#,##0.");
  EXPECT_EQ(formats.NumericEditFormat(), "0.");
  EXPECT_EQ(formats.DisplayFormatDate(), "dd.mm.yyyy");
  EXPECT_EQ(formats.DisplayFormatTime(), "hh:mm AMPM");
  TFormatFields copy;
  formats.SetDisplayFormatDate("yyyy-mm-dd");
  copy.Assign(&formats);
  EXPECT_EQ(copy.DisplayFormatDate(), "yyyy-mm-dd");
}

TEST(CacheSchemaOptions, DefaultsAndAssign) {
  TCacheSchemaOptions options;
  EXPECT_EQ(options.LocalCacheFile(), "");
  EXPECT_FALSE(options.AutoSaveToFile());
  EXPECT_FALSE(options.AutoLoadFromFile());
  EXPECT_TRUE(options.ValidateAfterLoad());
  options.SetLocalCacheFile("phones.cache");
  options.SetValidateAfterLoad(false);
  TCacheSchemaOptions copy;
  copy.Assign(&options);
  EXPECT_EQ(copy.LocalCacheFile(), "phones.cache");
  EXPECT_FALSE(copy.ValidateAfterLoad());
}

TEST(DBParams, EveryChangeMarksTheLinesForANewBlock) {
  TDBParams params(nullptr);
  EXPECT_TRUE(params.ChangedSinceBuild());
  params.MarkBuilt();
  params.Add("user_name=SYSDBA");
  EXPECT_TRUE(params.ChangedSinceBuild());
  params.MarkBuilt();
  params.SetStrings(0, "user_name=CLERK");
  EXPECT_TRUE(params.ChangedSinceBuild());
  params.MarkBuilt();
  {
    TStringsUpdateScope update(params);
    params.Clear();
  }
  EXPECT_TRUE(params.ChangedSinceBuild());
}

}  // namespace
