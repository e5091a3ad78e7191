// Families paired as a font team pairs them: Inter's variable font, instance by instance,
// against its folder of static fonts (where the Display statics have no partner), and the
// operands that name nothing refused in one line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <beziercurve/beziercurve.h>

namespace {

const std::string kInterVariable = "/usr/share/fonts/truetype/inter-vf/Inter-roman.var.ttf";
const std::string kInterStatics = "/usr/share/fonts/opentype/inter";

std::string fileOf(const std::string& font) {
  return std::filesystem::path(font.substr(0, font.find('@'))).filename().string();
}

TEST(FontFamilies, VariableInstancesPairWithTheStaticFontsOfTheirNames) {
  std::string error;
  const std::vector<std::string> instances =
      beziercurve::fontsOf(kInterVariable + "@instances", error);
  ASSERT_EQ(error, "");
  ASSERT_EQ(instances.size(), 9u);
  EXPECT_EQ(instances.front(), kInterVariable + "@Thin");
  const std::vector<std::string> statics = beziercurve::fontsOf(kInterStatics, error);
  ASSERT_EQ(error, "");
  const beziercurve::FontFilePairing pairing = beziercurve::pairFonts(instances, statics);
  EXPECT_TRUE(pairing.errors.empty());
  EXPECT_TRUE(pairing.onlyInA.empty());
  ASSERT_EQ(pairing.pairs.size(), 9u);
  for (const auto& [variable, stat] : pairing.pairs) {
    // "Extra Light" pairs with Inter-ExtraLight.otf, "Regular" with Inter-Regular.otf.
    std::string instance = variable.substr(variable.find('@') + 1);
    instance.erase(std::remove(instance.begin(), instance.end(), ' '), instance.end());
    EXPECT_EQ(fileOf(stat), "Inter-" + instance + ".otf") << variable;
  }
  // The italics and every Display static are left, named.
  EXPECT_EQ(pairing.onlyInB.size(), statics.size() - 9);
  for (const std::string& font : pairing.onlyInB) {
    const bool italic = font.find("Italic") != std::string::npos;
    EXPECT_TRUE(italic || fileOf(font).rfind("InterDisplay-", 0) == 0) << font;
  }
}

TEST(FontFamilies, OperandsThatNameNoFontsAreRefused) {
  const std::filesystem::path empty = std::filesystem::temp_directory_path() / "no-fonts-here";
  std::filesystem::create_directories(empty);
  const struct {
    std::string operand;
    std::string message;
  } cases[] = {
      {"/usr/share/fonts/opentype/freefont/FreeSerif.otf@instances",
       "FreeSerif.otf: not a variable font with named instances"},
      {empty.string(), "the folder holds no font file"},
      {"/nonexistent.ttf@instances", "/nonexistent.ttf"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_TRUE(beziercurve::fontsOf(c.operand, error).empty()) << c.operand;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.operand << ": " << error;
  }
  // A plain font is itself; pairing two lists keeps A's order.
  std::string error;
  EXPECT_EQ(beziercurve::fontsOf("x.otf", error), std::vector<std::string>{"x.otf"});
}

}  // namespace
