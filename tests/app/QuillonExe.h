// The executable run the way a controlling program runs it: in a folder of its own, started
// from another working folder, against the simulated bridge with virtual time; its standard
// input fed from a file and its standard output and standard error read back.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "sim/BridgeImage.h"
#include "sim/gt9xxx/Gt9xxxImage.h"

class QuillonExe : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("quillon-e2e-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder_ / "System" / "ChipIni");
        std::filesystem::create_directories(folder_ / "run");
        std::filesystem::copy_file(QUILLON_EXE, folder_ / "quillon");
        Write("System/AppConfigInit.ini",
              "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n"
              "[MCU_TYPE]\nTYPE1=S102\n");
        Write("System/ChipIni/GT911_test.ini", "[Cfg]\nCFGAddr=0x8047\n");
        simulation_ =
            "[Bridge]\nVendorId=27C6\nProductId=0102\nVersion=0100\nInterface=1\n"
            "[Chip]\nFamily=GT9xxx\nProductId=911\nVersion=1050\n[Time]\nVirtual=1\n";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }
    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(folder_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::string ReadFile(const std::string& name) const {
        std::ifstream in(folder_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void WriteImage(const std::string& name, uint16_t version, size_t length = 0) {
        auto image = sim::MakeGt9xxxImage("911", version);
        if (length) image.resize(length);
        WriteBytes(name, image);
    }

    // A bridge image that makes the simulated bridge come back as Halden_V2.10: raw, named
    // with its checksum, or Intel-HEX.
    void WriteBridgeImage(bool hex) {
        const auto image = sim::MakeBridgeImage("Halden_V2.10", 2000);
        if (hex) {
            Write("S102_v2.10.hex", sim::ToIntelHex(image));
        } else {
            Write(sim::RawImageName("S102_v2.10", image), std::string(image.begin(), image.end()));
        }
    }
    size_t FirstLine(const std::string& prefix, size_t from = 0) const {
        const auto lines = Trace();
        for (size_t i = from; i < lines.size(); ++i) {
            if (lines[i].rfind(prefix, 0) == 0) return i;
        }
        return lines.size();
    }

    // Runs the program from another working folder with `input` on its standard input (which
    // ends there) and returns its standard output; standard error goes to stderr_.
    std::string Run(const std::string& switches = "/s /u", const std::string& input = "") {
        Write("input.bin", input);
        const std::string command = Command(switches, "<'" + Path("input.bin") + "'");
        std::string out;
        const auto start = std::chrono::steady_clock::now();
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[256];
            size_t n;
            while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
            exitCode_ = pclose(pipe);
        }
        elapsed_ = std::chrono::steady_clock::now() - start;
        stderr_ = ReadStderr();
        return out;
    }
    // The shell command that runs the program with its simulation and trace (both written
    // afresh), standard input as `input` redirects it and standard error into stderr.txt.
    std::string Command(const std::string& switches, const std::string& input) {
        Write("sim.ini", simulation_);
        std::filesystem::remove(folder_ / "trace.txt");
        return "cd / && " + environment_ + " QUILLON_SIM='" + Path("sim.ini") +
               "' QUILLON_SIM_TRACE='" + Path("trace.txt") + "' '" + Path("quillon") + "' " +
               switches + " " + input + " 2>'" + Path("stderr.txt") + "'";
    }
    // Starts the shell command in a process group of its own, its standard output on `out`
    // when that is given (a descriptor this process closes on exec); the group's id.
    static pid_t Spawn(const std::string& command, int out = -1) {
        const pid_t child = fork();
        if (child == 0) {
            setpgid(0, 0);
            if (out >= 0) dup2(out, STDOUT_FILENO);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (child > 0) setpgid(child, child);
        return child;
    }
    // Waits until `done` holds, polling, for at most ten seconds; false when the group's
    // command ended (its status in exitCode_) or time ran out first.
    template <typename Done>
    bool WaitWhileRunning(pid_t child, Done done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (waitpid(child, &exitCode_, WNOHANG) == child ||
                std::chrono::steady_clock::now() > until)
                return false;
            usleep(10000);
        }
        return true;
    }
    // Ends the whole group and reaps it; standard error goes to stderr_.
    void Stop(pid_t child) {
        kill(-child, SIGKILL);
        waitpid(child, &exitCode_, 0);
        stderr_ = ReadStderr();
    }
    // Standard error of the last run.
    std::string ReadStderr() const { return ReadFile("stderr.txt"); }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    // The run's own lines: from its start line up to the report that follows it.
    static std::string RunPart(const std::string& out) {
        const size_t from = out.find("Upgrading...");
        if (from == std::string::npos) return "no run in: " + out;
        return out.substr(from, out.find("*****", from) - from);
    }
    // The first bytes of the answer to the last report that began with `request` ("" when
    // there was none).
    std::string LastAnswer(const std::string& request, size_t bytes) const {
        const auto lines = Trace();
        std::string answer;
        for (size_t i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i].rfind(request, 0) == 0) answer = lines[i + 1].substr(2, bytes * 3 - 1);
        }
        return answer;
    }
    // The first bytes the chip last answered at 0x8140 (or another address, as "82 40").
    std::string LastIdentityAnswer(const std::string& address = "81 40", size_t bytes = 7) const {
        return LastAnswer("> 03 00 0f " + address, bytes);
    }
    // A ".cfg" text of these values.
    static std::string CfgText(const std::vector<uint8_t>& values) {
        std::string text;
        for (uint8_t value : values) {
            const char digits[] = "0123456789ABCDEF";
            text += std::string("0x") + digits[value >> 4] + digits[value & 15] + ",";
        }
        return text;
    }
    // A GT7936 behind a GT79xx bridge in place of the GT911.
    void UseGt79xxChip() {
        Write("System/AppConfigInit.ini",
              "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT7936\n");
        Write("System/ChipIni/GT7936_test.ini", "[Cfg]\nCFGAddr=0x13B74\n");
        simulation_ =
            "[Bridge]\nVendorId=27C6\nProductId=0401\nVersion=0100\nInterface=1\n"
            "[Chip]\nFamily=GT79xx\nProductId=7936\nVersion=01000001\n[Time]\nVirtual=1\n";
    }
    // Simulations of a GT7387 behind a GT73xx bridge, and of a GT9286 behind a bridge of no
    // family of its own (the image's name gives the family).
    static std::string Gt73xxSimulation() {
        return "[Bridge]\nVendorId=27C6\nProductId=0301\nVersion=0100\nInterface=1\n"
               "[Chip]\nFamily=GT73xx\nProductId=7387\nVersion=010203\n[Time]\nVirtual=1\n";
    }
    static std::string Gt9pxxSimulation() {
        return "[Bridge]\nVendorId=27C6\nProductId=0999\nVersion=0100\nInterface=1\n"
               "[Chip]\nFamily=GT9Pxx\nProductId=9286\nVersion=010203\n[Time]\nVirtual=1\n";
    }
    std::vector<std::string> Trace() const {
        std::ifstream in(folder_ / "trace.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // What an interactive start without a display says on standard error.
    static constexpr const char* kNoDisplayMessage =
        "quillon: no display is available to show the dialog on; \"quillon /s\" runs the "
        "console, which needs none\n";

    // The version block a silent report writes, with its prompt; the simulated bridge names its
    // firmware S102_v1.00.
    static std::string VersionBlock(const std::string& touch, const std::string& config,
                                    const std::string& bridge = "S102_v1.00") {
        return "***********************Current Verison***************************\n"
               " Usb Version:\t\t" +
               bridge + "\n Touch Version: \t" + touch + "\n Config Version:\t" + config +
               "\n*****************************************************************\n>>";
    }

    std::filesystem::path folder_;
    std::string simulation_;
    std::string environment_;  // variables put before the command
    int exitCode_ = -1;
    std::string stderr_;
    std::chrono::steady_clock::duration elapsed_{};
};
