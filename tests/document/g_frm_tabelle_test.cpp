// The table selection dialog: its layout, its load, OK and the close box.
#include "document_fixture.hpp"

#include "common/error.hpp"
#include "common/settings_store.hpp"

namespace korvax::testing {
namespace {

using nlohmann::json;

constexpr const char* kApplication = "VaroVerwaltung";

class GFrmTabelleTest : public DocumentTest {
 protected:
  G_frmTabelle& Dialog() { return forms::FormInstance<G_frmTabelle>(); }
  std::string Stored(const char* key) {
    return GetSetting(kApplication, G_frmTabelle::kName, key, "(keiner)");
  }
  void ShowWith(const json& script) {
    WithUser(script, [&] { Dialog().ShowModal(); });
  }
};

// The seven options form one group; the five entries are a control array
// without a sixth element.
TEST_F(GFrmTabelleTest, OptionGroupAndEntries) {
  G_frmTabelle& dlg = Dialog();
  EXPECT_EQ(dlg.optNeu().Group().size(), 7u);
  EXPECT_EQ(dlg.ControlArray("optTabelle").size(), 5u);
  try {
    dlg.optTabelle(5);
    FAIL() << "optTabelle(5) exists";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 340);
  }
}

TEST_F(GFrmTabelleTest, FirstUseHasNormalStateAtTheOriginWithANewBillingPointChosen) {
  G_frmTabelle& dlg = Dialog();
  EXPECT_FALSE(dlg.IsLoaded());
  EXPECT_TRUE(dlg.optNeu().Value());
  EXPECT_TRUE(dlg.IsLoaded());
  EXPECT_EQ(dlg.WindowState(), 0);
  EXPECT_EQ(dlg.Top(), 0);
  EXPECT_EQ(dlg.Left(), 0);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(dlg.optTabelle(i).Value());
  EXPECT_FALSE(dlg.optAktTabelle().Value());
  EXPECT_EQ(LogEntries(), 0);  // the load reports nothing
}

TEST_F(GFrmTabelleTest, TheCloseBoxStoresThePositionAndTheCallerReadsANewBillingPoint) {
  G_frmTabelle& dlg = Dialog();
  dlg.SetTop(1234);
  dlg.SetLeft(567.5f);
  dlg.optTabelle(0).SetEnabled(false);
  ShowWith(json::array({Click("optTabelle(2)"), OnTabelle({{"action", "close"}})}));
  EXPECT_FALSE(dlg.IsLoaded());
  EXPECT_EQ(Stored("State"), "0");
  EXPECT_EQ(Stored("Top"), "1234");
  EXPECT_EQ(Stored("Left"), "567,5");
  // Reading the choice loads the dialog again.
  EXPECT_TRUE(dlg.optNeu().Value());
  EXPECT_FALSE(dlg.optTabelle(2).Value());
  EXPECT_TRUE(dlg.optTabelle(0).Enabled());
  EXPECT_EQ(dlg.Top(), 1234);
  EXPECT_EQ(dlg.Left(), 567.5f);
}

TEST_F(GFrmTabelleTest, OkHidesWithoutStoringThePosition) {
  G_frmTabelle& dlg = Dialog();
  dlg.SetTop(999);
  dlg.SetLeft(111);
  ShowWith(json::array({Ok()}));
  EXPECT_EQ(Stored("Top"), "(keiner)");
  EXPECT_EQ(Stored("State"), "(keiner)");
  EXPECT_TRUE(dlg.IsLoaded());  // hidden, not unloaded
  EXPECT_FALSE(dlg.IsVisible());
  EXPECT_EQ(dlg.Top(), 999);
}

}  // namespace
}  // namespace korvax::testing
