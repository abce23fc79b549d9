#include "app/forms/about_form.h"

#include "framework/core/text/text.h"
#include "framework/gui/controls/custom_control.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/standard/check_controls.h"
#include "framework/gui/standard/std_controls.h"

const char* const AboutRightsNotice =
    "Телефонный справочник Кельворска.\r\n"
    "Данные справочника принадлежат их владельцам; программа показывает их только для поиска.\r\n"
    "Программа распространяется как есть, без каких-либо гарантий.";

// The program's picture: a telephone handset drawn on the canvas, so the
// box needs no image file.
class TAboutPicture : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;

 protected:
  void Paint() override {
    TCanvas& canvas = Canvas();
    const TRect r = ClientRect();
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(r);
    canvas.Brush().SetColor(0x00804000);  // dark blue
    canvas.FillRect(Rect(r.Left + 8, r.Top + 20, r.Right - 8, r.Bottom - 4));
    canvas.FillRect(Rect(r.Left + 4, r.Top + 8, r.Left + 20, r.Top + 20));
    canvas.FillRect(Rect(r.Right - 20, r.Top + 8, r.Right - 4, r.Top + 20));
    canvas.FillRect(Rect(r.Left + 4, r.Top + 4, r.Right - 4, r.Top + 10));
    canvas.Brush().SetColor(clWhite);
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) {
        const int x = r.Left + 20 + col * 9;
        const int y = r.Top + 25 + row * 8;
        canvas.FillRect(Rect(x, y, x + 6, y + 5));
      }
  }
};

TAboutForm::TAboutForm(TComponent* owner) : TForm(owner) {
  TLoadingScope loading;
  SetName("AboutForm");
  SetCaption(RU("О программе"));
  SetBorderStyle(bsDialog);
  SetClientWidth(303);
  SetClientHeight(181);
  SetPosition(poMainFormCenter);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);

  Image1 = new TAboutPicture(this);  // owned by the form
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(8, 8, 65, 53);

  // The static text's lowered, flat border: a bevel under the label.
  StaticTextBevel = new TBevel(this);  // owned by the form
  StaticTextBevel->SetName("StaticTextBevel");
  StaticTextBevel->SetParent(this);
  StaticTextBevel->SetShape(bsBox);
  StaticTextBevel->SetStyle(bsLowered);
  StaticTextBevel->SetBounds(80, 8, 215, 53);
  StaticText1 = new TLabel(this);  // owned by the form
  StaticText1->SetName("StaticText1");
  StaticText1->SetParent(this);
  StaticText1->SetAutoSize(false);
  StaticText1->SetWordWrap(true);
  StaticText1->SetAlignment(taCenter);
  StaticText1->SetLayout(tlCenter);
  StaticText1->SetBounds(81, 9, 213, 51);
  StaticText1->Font().SetName("MS Sans Serif");
  StaticText1->Font().SetHeight(-16);
  StaticText1->Font().SetStyle(TFontStyles{fsBold});
  StaticText1->Font().SetColor(clBlue);
  StaticText1->SetCaption(RU("Телефонный справочник Кельворск"));

  Memo1 = new TMemo(this);  // owned by the form
  Memo1->SetName("Memo1");
  Memo1->SetParent(this);
  Memo1->SetBounds(8, 68, 287, 105);
  Memo1->SetBorderStyle(bsNone);
  Memo1->SetReadOnly(true);
  Memo1->SetEnabled(false);
  Memo1->SetAnchors(TAnchors{akLeft, akTop, akRight, akBottom});
  Memo1->SetText(RU(AboutRightsNotice));
  loading.Finish();
}
