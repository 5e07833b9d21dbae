// LibreOffice reads what the layer writes: a table with a marker comment and a
// text box, converted to OpenDocument. Slow (seconds); labelled "libreoffice".
#include <gtest/gtest.h>

#include "docx_builder.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

TEST(WordLibreOffice, ReadsOurTableCommentAndTextBox) {
  if (!std::filesystem::exists("/usr/bin/soffice")) GTEST_SKIP() << "no LibreOffice";
  auto dir = testing::TempDir();
  auto path = testing::WriteDocx(dir / "rechnung.docx", testing::P("Rechnung Nr. 17"));
  auto doc = Document::Open(path);
  Table t = testing::AddAtEnd(*doc, 2, 5);
  t.Cell(1, 1).Range().InsertAfter("Gebäudeaufnahme nach Nr. 3.1");
  t.Cell(2, 5).Range().InsertAfter(" 2.760,00 €");
  testing::Mark(*doc, t, "Korvax_2");
  Range all = doc->Content();
  all.Collapse(wdCollapseEnd);
  all.Select();  // the payment note goes to the end, as the totals put it
  Shape box = doc->Shapes().AddTextbox(msoTextOrientationHorizontal, 70.5, 766.5, 450.75, 54);
  box.SetName("Zahlungsziel");
  box.TextFrame().TextRange().InsertAfter("Zahlbar bis 15.01.2027");
  doc->Save();

  // One conversion to OpenDocument shows what LibreOffice made of every part.
  std::string command = "cd " + dir.string() + " && HOME=" + dir.string() +
                        " timeout 120 /usr/bin/soffice -env:UserInstallation=file://" +
                        dir.string() + "/profile --headless --convert-to odt --outdir " +
                        dir.string() + " " + path.string() + " > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string content =
      testing::RunCommand("unzip -p " + (dir / "rechnung.odt").string() + " content.xml");
  EXPECT_NE(content.find("Rechnung Nr. 17"), std::string::npos);
  EXPECT_NE(content.find("<table:table "), std::string::npos);
  EXPECT_NE(content.find("Gebäudeaufnahme nach Nr. 3.1"), std::string::npos);
  EXPECT_NE(content.find("2.760,00 €"), std::string::npos);
  EXPECT_NE(content.find("Korvax_2"), std::string::npos);  // only a comment holds it
  EXPECT_NE(content.find("draw:name=\"Zahlungsziel\""), std::string::npos);
  EXPECT_NE(content.find("svg:x=\"0.9791in\""), std::string::npos);  // 70.5 pt from the page edge
  EXPECT_NE(content.find("Zahlbar bis 15.01.2027"), std::string::npos);
}

}  // namespace
}  // namespace korvax::word
