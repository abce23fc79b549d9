#pragma once
// TAboutForm: the program's About box, a small dialog with the program's
// picture, its title and its rights notice. It has no code of its own; the
// main form's menu makes one, shows it modally and frees it.

#include "framework/gui/standard/forms.h"

class TBevel;
class TLabel;
class TMemo;
class TAboutPicture;

class TAboutForm : public TForm {
 public:
  explicit TAboutForm(TComponent* owner);

  TAboutPicture* Image1 = nullptr;
  TBevel* StaticTextBevel = nullptr;
  TLabel* StaticText1 = nullptr;
  TMemo* Memo1 = nullptr;
};

// The About box's text below the title.
extern const char* const AboutRightsNotice;
