// Forms: position, constraints, closing, modal showing, placement, the
// creation and destruction events, the main menu.

#include "framework/gui/standard/forms.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/gui/application/application.h"
#include "framework/gui/standard/menus.h"
#include "framework/gui/application/screen.h"
#include "framework/gui/standard/std_controls.h"
#include "tests/framework_gui/gui_test_support.h"

namespace {

class FormsTest : public ::testing::Test {
 protected:
  void TearDown() override { Application->OnException = nullptr; }
};

TEST_F(FormsTest, DesktopCenterPlacesTheFormInTheMiddleOfTheWorkArea) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 420, 300);
  form.SetPosition(poDesktopCenter);
  form.Show();
  TRect area = Screen->WorkAreaRect();
  EXPECT_EQ(form.Left(), area.Left + (area.Width() - 420) / 2);
  EXPECT_EQ(form.Top(), area.Top + (area.Height() - 300) / 2);
  EXPECT_EQ(form.Width(), 420);
}

TEST_F(FormsTest, ConstraintsLimitTheSize) {
  TForm form(nullptr);
  form.Constraints().SetMinWidth(420);
  form.Constraints().SetMinHeight(300);
  form.SetBounds(10, 10, 100, 100);
  EXPECT_EQ(form.Width(), 420);
  EXPECT_EQ(form.Height(), 300);
}

TEST_F(FormsTest, ClosingHidesUnlessOnCloseQueryRefuses) {
  TForm form(nullptr);
  form.Show();
  bool allow = false;
  form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
  form.Close();
  EXPECT_TRUE(form.Visible());
  allow = true;
  form.Close();
  EXPECT_FALSE(form.Visible());
}

TEST_F(FormsTest, WindowCloseBoxClosesThroughTheForm) {
  TForm form(nullptr);
  int closes = 0;
  form.OnClose = [&](TObject*, TCloseAction& action) { ++closes; };
  form.Show();
  WindowOf(form)->close();
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(form.Visible());
}

TEST_F(FormsTest, ShowModalReturnsTheResultOfTheButtonPressed) {
  TForm form(nullptr);
  auto* ok = new TButton(&form);
  ok->SetParent(&form);
  ok->SetModalResult(mrOk);
  int clicks = 0;
  ok->OnClick = [&](TObject*) { ++clicks; };
  // The form's window is the timer's context: a ShowModal that returns
  // early leaves no click behind for a button that is gone.
  QTimer::singleShot(0, WindowOf(form), [&] { QTest::mouseClick(WindowOf(*ok), Qt::LeftButton); });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.Modal());
}

TEST_F(FormsTest, ModalResultOfAButtonWaitsForOnCloseQuery) {
  TForm form(nullptr);
  auto* ok = new TButton(&form);
  ok->SetParent(&form);
  ok->SetModalResult(mrOk);
  int queries = 0;
  std::vector<std::string> errors;
  Application->OnException = [&](TObject*, const Exception& e) { errors.push_back(e.Message()); };
  // The first press is refused, the second raises (shown, form stays), the
  // third is accepted.
  form.OnCloseQuery = [&](TObject*, bool& canClose) {
    ++queries;
    if (queries == 2) throw Exception("Invalid value");
    canClose = queries == 3;
  };
  int step = 0;
  std::function<void()> press = [&] {
    if (!form.Visible() || ++step > 3) return;
    QTest::mouseClick(WindowOf(*ok), Qt::LeftButton);
    QTimer::singleShot(0, WindowOf(form), press);
  };
  QTimer::singleShot(0, WindowOf(form), press);
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(queries, 3);
  EXPECT_EQ(errors, (std::vector<std::string>{"Invalid value"}));
}

TEST_F(FormsTest, ClosingAModalFormGivesCancel) {
  TForm form(nullptr);
  int queries = 0;
  form.OnCloseQuery = [&](TObject*, bool&) { ++queries; };
  QTimer::singleShot(0, WindowOf(form), [&] { form.Close(); });
  EXPECT_EQ(form.ShowModal(), mrCancel);
  // Asked by Close, not again by the modal loop.
  EXPECT_EQ(queries, 1);
}

TEST_F(FormsTest, AVisibleFormCannotBeShownModally) {
  TForm form(nullptr);
  form.Show();
  EXPECT_THROW(form.ShowModal(), EInvalidOperation);
}

TEST_F(FormsTest, OnCreateFailureIsReportedAndTheFormLives) {
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, const Exception& e) { reported.push_back(e.Message()); };
  TForm form(nullptr);
  form.OnCreate = [](TObject*) { throw EDatabaseError("no database"); };
  form.AfterConstruction();
  EXPECT_EQ(reported, std::vector<std::string>{"no database"});
}

TEST_F(FormsTest, OnDestroyFiresOnceBeforeTheFormGoes) {
  int destroyed = 0;
  {
    TForm form(nullptr);
    form.OnDestroy = [&](TObject*) { ++destroyed; };
    form.BeforeDestruction();
    EXPECT_EQ(destroyed, 1);
  }
  EXPECT_EQ(destroyed, 1);
}

TEST_F(FormsTest, PlacementRoundTripsAndHideKeepsTheFormHidden) {
  TForm form(nullptr);
  TWindowPlacement placement;
  ASSERT_TRUE(form.GetWindowPlacement(placement));
  EXPECT_EQ(placement.showCmd, SW_SHOWNORMAL);
  placement.rcNormalPosition = Rect(50, 60, 550, 460);
  placement.showCmd = SW_HIDE;
  ASSERT_TRUE(form.SetWindowPlacement(placement));
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.BoundsRect(), Rect(50, 60, 550, 460));
  TWindowPlacement back;
  form.GetWindowPlacement(back);
  EXPECT_EQ(back.rcNormalPosition, Rect(50, 60, 550, 460));
}

TEST_F(FormsTest, FormsAreListedOnTheScreenWhileTheyLive) {
  int before = Screen->FormCount();
  {
    TForm form(nullptr);
    EXPECT_EQ(Screen->FormCount(), before + 1);
    EXPECT_EQ(Screen->Forms(before), &form);
  }
  EXPECT_EQ(Screen->FormCount(), before);
}

TEST_F(FormsTest, MenuItemsBecomeTheMenuBarAndClickTheirHandlers) {
  TForm form(nullptr);
  auto* menu = new TMainMenu(&form);
  auto* file = new TMenuItem(&form);
  file->SetCaption("File");
  auto* exit = new TMenuItem(&form);
  exit->SetCaption("Exit");
  auto* line = new TMenuItem(&form);
  line->SetCaption("-");
  auto* help = new TMenuItem(&form);
  help->SetCaption("Help");
  menu->Items()->Add(file);
  file->Add(line);
  file->Add(exit);
  menu->Items()->Add(help);
  form.SetMenu(menu);
  int clicks = 0;
  exit->OnClick = [&](TObject*) { ++clicks; };

  auto* bar = WindowOf(form)->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  QList<QAction*> top = bar->actions();
  ASSERT_EQ(top.size(), 2);
  EXPECT_EQ(top[0]->text(), "File");
  QMenu* fileMenu = top[0]->menu();
  ASSERT_NE(fileMenu, nullptr);
  ASSERT_EQ(fileMenu->actions().size(), 2);
  EXPECT_TRUE(fileMenu->actions()[0]->isSeparator());
  fileMenu->actions()[1]->trigger();
  EXPECT_EQ(clicks, 1);

  // The client area starts below the bar.
  form.SetBounds(0, 0, 300, 200);
  EXPECT_EQ(form.ClientHeight(), 200 - bar->sizeHint().height());

  // An item that goes leaves the bar.
  delete help;
  EXPECT_EQ(bar->actions().size(), 1);
}

TEST_F(FormsTest, MenuHandlerExceptionGoesToTheApplicationHandler) {
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, const Exception& e) { reported.push_back(e.Message()); };
  TForm form(nullptr);
  auto* menu = new TMainMenu(&form);
  auto* item = new TMenuItem(&form);
  item->SetCaption("Go");
  item->OnClick = [](TObject*) { throw EConvertError("menu failed"); };
  menu->Items()->Add(item);
  form.SetMenu(menu);
  WindowOf(form)->findChild<QMenuBar*>()->actions()[0]->trigger();
  EXPECT_EQ(reported, std::vector<std::string>{"menu failed"});
}

TEST_F(FormsTest, ActiveControlIsFocusedWhenTheFormShows) {
  TForm form(nullptr);
  auto* first = new TEdit(&form);
  first->SetParent(&form);
  auto* second = new TEdit(&form);
  second->SetParent(&form);
  second->SetTop(40);
  form.SetActiveControl(second);
  ASSERT_TRUE(ShowActive(form));
  EXPECT_TRUE(WaitFor([&] { return second->Focused(); }));
  EXPECT_EQ(form.ActiveControl(), second);
  EXPECT_EQ(GetParentForm(second), &form);
}

}  // namespace
