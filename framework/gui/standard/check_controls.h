#pragma once
// TRadioButton over QRadioButton and TBevel, a line or frame drawn in the
// look of a sunken or raised edge.
//
// Radio buttons with the same parent form one group: checking one (by the
// user or by SetChecked) clears the others. Like every control they are
// owned by their owner and shown in their parent.

#include <cstdint>

#include "framework/gui/controls/win_control.h"

class TRadioButton : public TWinControl {
 public:
  explicit TRadioButton(TComponent* owner);

  bool Checked() const { return FChecked; }
  // True clears the other radio buttons of the parent; OnClick follows a
  // change to True, as a click would.
  void SetChecked(bool value);

 protected:
  void CreateWnd() override;
  void TextChanged() override;
  bool TakesFocusOnClick() const override { return true; }
  unsigned GetDlgCode() const override { return 0; }

 private:
  void ApplyChecked();
  bool FChecked = false;
};

enum TBevelShape : std::uint8_t {
  bsBox,
  bsFrame,
  bsTopLine,
  bsBottomLine,
  bsLeftLine,
  bsRightLine,
  bsSpacer
};
enum TBevelStyle : std::uint8_t { bsLowered, bsRaised };

class TBevel : public TWinControl {
 public:
  explicit TBevel(TComponent* owner);

  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle value);

 protected:
  void CreateWnd() override;
  unsigned GetDlgCode() const override { return 0; }

 private:
  void ApplyShape();
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};
