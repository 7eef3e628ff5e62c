// The simulated bench's image tool: the images it writes for each family bring a simulated
// chip to the version asked for through "quillon /s /u"; a version that does not fit the
// family is refused without a file. Its identify tool: a chip of every family is identified.
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "QuillonExe.h"
#include "sim/SimFamily.h"
#include "touch/FamilyTraits.h"

namespace {

class SimImageTool : public QuillonExe {
  protected:
    // Runs the tool with its arguments (the file named inside the program folder); its exit
    // status.
    int MakeImage(const std::string& family, const std::string& file, const std::string& id,
                  const std::string& version) {
        return RunTool(family + " '" + Path(file) + "' " + id + " " + version);
    }
    // Runs a tool in the program folder with the arguments as a shell writes them; its exit
    // status, its standard output in stdout_ and its standard error in stderr_.
    int RunTool(const std::string& arguments, const char* tool = QUILLON_SIM_IMAGE) {
        const std::string command = "cd '" + folder_.string() + "' && '" + tool + "' " + arguments +
                                    " >'" + Path("stdout.txt") + "' 2>'" + Path("stderr.txt") + "'";
        const int status = std::system(command.c_str());
        std::ifstream out(folder_ / "stdout.txt", std::ios::binary);
        stdout_.assign(std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>());
        stderr_ = ReadStderr();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string stdout_;
    // The touch version of the last report.
    static std::string LastTouchVersion(const std::string& out) {
        const std::string label = " Touch Version: \t";
        const size_t at = out.rfind(label);
        if (at == std::string::npos) return "no report in: " + out;
        return out.substr(at + label.size(), out.find('\n', at) - at - label.size());
    }
};

}  // namespace

TEST_F(SimImageTool, ImagesOfEachFamilyBringTheChipToTheirVersion) {
    struct Case {
        std::string family, bridgeModel, chip, file, id, version, identity;
    };
    const std::vector<Case> cases = {
        {"GT73xx", "0301", "GT73xx", "G7387.bin", "7387", "010204", "GT7387_01.02.04"},
        {"gt9pxx", "0999", "GT9Pxx", "GT9286_0A0B0C.bin", "9286", "0a0b0c", "GT9286_0A.0B.0C"},
        {"", "0102", "GT9xxx", "G911.bin", "911", "1060", "GT911_1060"},
        {"GT79xx", "0401", "GT79xx", "G7936.bin", "7936", "01020304", "GT7936_01.02.03.04"},
    };
    for (const Case& c : cases) {
        simulation_ =
            "[Bridge]\nVendorId=27C6\nProductId=" + c.bridgeModel +
            "\nVersion=0100\nInterface=1\n[Chip]\nFamily=" + c.chip + "\nProductId=" + c.id +
            "\nVersion=" + (c.chip == "GT9xxx" ? "1050" : "010203") + "\n[Time]\nVirtual=1\n";
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            if (entry.path().extension() == ".bin") std::filesystem::remove(entry.path());
        }
        ASSERT_EQ(MakeImage(c.family, c.file, c.id, c.version), 0) << c.file;
        const std::string out = Run();
        EXPECT_NE(out.find("Upgrading...\nUpgrade success\n"), std::string::npos) << out;
        EXPECT_EQ(LastTouchVersion(out), c.identity) << c.file;
    }
}

TEST_F(SimImageTool, AVersionThatDoesNotFitTheFamilyWritesNoFile) {
    struct Case {
        std::string family, version;
    };
    for (const Case& c : std::vector<Case>{
             {"GT73xx", "0102030"}, {"GT9Pxx", "01G2"}, {"", "10600"}, {"GT79xx", ""}}) {
        EXPECT_EQ(MakeImage(c.family, "G.bin", "7387", "'" + c.version + "'"), 2) << c.version;
        EXPECT_FALSE(std::filesystem::exists(folder_ / "G.bin")) << c.version;
    }
}

// The tool checks its arguments before it writes: what it cannot use is refused with its usage
// line and no file (a mistyped family would otherwise name the file, a product id or seed that
// is no number make an image of another chip or seed); a good call writes the image of its
// product id, version and seed.
TEST_F(SimImageTool, ChecksItsArgumentsBeforeWritingAnImage) {
    struct Case {
        std::string arguments;
        std::vector<uint8_t> image;  // what G.bin holds afterwards; empty: refused, nothing written
    };
    const std::vector<Case> cases = {
        {"GT42xx x.bin 1 1", {}},
        {"GT9Pxy G.bin 9286 010203", {}},
        {"FT5xxx G.bin 5682 1060", {}},
        {"G.bin 911 1060 seven", {}},
        {"G.bin 911 1060 -1", {}},
        {"G.bin 911 1060 4294967296", {}},
        {"G.bin 911 1060 '7 '", {}},
        {"G.bin 91l 1060", {}},
        {"G.bin '' 1060", {}},
        {"G.bin 91100 1060", {}},
        {"GT73xx G.bin +738 010203", {}},
        {"G.bin 911", {}},
        {"G.bin 911 1060 1 2", {}},
        {"G.bin 911 1060 7", sim::MakeGt9xxxImage("911", 0x1060, 7)},
        {"GT9xxx G.bin 9110 0A 4294967295", sim::MakeGt9xxxImage("9110", 0x000A, 4294967295u)},
        {"G.bin 911 1060", sim::MakeGt9xxxImage("911", 0x1060, 1)},
    };
    const auto files = [this] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            names.insert(entry.path().filename().string());
        return names;
    };
    // The usage line names the simulated families that make images, in the rows' order.
    std::string families;
    for (const sim::SimFamily* row : sim::SimFamilies()) {
        if (row->image.make) families += (families.empty() ? "" : "|") + std::string(row->name);
    }
    const std::string usage = " [" + families + "] <file> <product id> <version in hex> [seed]\n";
    Write("stdout.txt", "");
    Write("stderr.txt", "");
    const std::set<std::string> before = files();
    for (const Case& c : cases) {
        const int status = RunTool(c.arguments);
        if (c.image.empty()) {
            EXPECT_EQ(status, 2) << c.arguments;
            EXPECT_EQ(stderr_.rfind("usage: ", 0), 0u) << c.arguments << ": " << stderr_;
            EXPECT_NE(stderr_.find(usage), std::string::npos) << stderr_;
            EXPECT_EQ(files(), before) << c.arguments;
            continue;
        }
        EXPECT_EQ(status, 0) << c.arguments << ": " << stderr_;
        std::ifstream in(folder_ / "G.bin", std::ios::binary);
        const std::vector<uint8_t> written{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
        EXPECT_TRUE(written == c.image) << c.arguments;
        std::filesystem::remove(folder_ / "G.bin");
    }
}

class SimIdentifyTool : public SimImageTool {};

// The identify tool builds a simulated chip of each family from the family rows, behind a bridge
// that the program's row allows, and the program identifies each as the family of its name.
TEST_F(SimIdentifyTool, IdentifiesAChipOfEveryFamilyOfTheProgram) {
    ASSERT_EQ(RunTool(".", QUILLON_SIM_IDENTIFY), 0) << stdout_;
    // "simulated <family> -> <family found> <identity>", a line a family.
    std::map<std::string, std::string> found;
    std::istringstream lines(stdout_);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string simulated, family, arrow, identified;
        words >> simulated >> family >> arrow >> identified;
        found[family] = identified;
    }
    for (const FamilyTraits* row : Families()) EXPECT_EQ(found[row->name], row->name) << stdout_;
}
