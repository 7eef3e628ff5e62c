// The simulated bench's image tool: the images it writes for each family bring a simulated
// chip to the version asked for through "quillon /s /u"; a version that does not fit the
// family is refused without a file.
#include <cstdlib>

#include "QuillonExe.h"

namespace {

class SimImageTool : public QuillonExe {
  protected:
    // Runs the tool with its arguments (the file named inside the program folder); its exit
    // status.
    int MakeImage(const std::string& family, const std::string& file, const std::string& id,
                  const std::string& version) {
        const std::string command = std::string("'") + QUILLON_SIM_IMAGE + "' " + family + " '" +
                                    Path(file) + "' " + id + " " + version + " 2>/dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
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
