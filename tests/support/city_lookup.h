#pragma once
// Two in-memory datasets joined by a lookup field: cities (CODE, TITLE) and
// people (ID, CITY) whose CITY_TITLE shows the title of the person's city.
// Tests of lookup fields and of what may use them share this pair; a test
// adds its own fields to `People` before calling `Open`.

#include "framework/core/data/fields.h"
#include "framework/core/data/memory_dataset.h"

struct TCityLookup {
  TMemoryDataSet Cities{nullptr};
  TMemoryDataSet People{nullptr};
  TStringField* Title = nullptr;

  // Cities 1 "Tulvo" and 2 "Kelvorsk" are open; People has its persistent
  // ID, CITY and CITY_TITLE fields and is still closed.
  TCityLookup() {
    Cities.FieldDefs().Add("CODE", ftInteger);
    Cities.FieldDefs().Add("TITLE", ftString, 30);
    Cities.Open();
    Cities.AppendRecord({Variant(1), Variant("Tulvo")});
    Cities.AppendRecord({Variant(2), Variant("Kelvorsk")});

    People.FieldDefs().Add("ID", ftInteger);
    People.FieldDefs().Add("CITY", ftInteger);
    for (const char* name : {"ID", "CITY"}) {
      auto* field = new TIntegerField(&People);
      field->SetFieldName(name);
      field->SetDataSet(&People);
    }
    Title = new TStringField(&People);
    Title->SetFieldName("CITY_TITLE");
    Title->SetFieldKind(fkLookup);
    Title->SetLookupDataSet(&Cities);
    Title->SetKeyFields("CITY");
    Title->SetLookupKeyFields("CODE");
    Title->SetLookupResultField("TITLE");
    Title->SetDataSet(&People);
  }
};
