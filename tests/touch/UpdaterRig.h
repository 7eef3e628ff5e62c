#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sim/SimGtFlash.h"
#include "support/RecordingLog.h"
#include "touch/FwUpdate.h"
#include "touch/TouchRig.h"

// A touch rig for the updaters: a log, image files in the program folder, the updater's
// context, and what the bridge was sent.
struct UpdaterRig : TouchRig {
    using TouchRig::TouchRig;

    // Writes an image file into the program folder and returns its path.
    std::string WriteImage(const std::vector<uint8_t>& image, const std::string& name = "G.bin") {
        folder.Write(name, std::string(image.begin(), image.end()));
        return (folder.Path() / name).string();
    }
    using sim::SimRig::Context;
    UpdaterContext Context() { return Context(&log); }

    // A log as "<text>/<kind>".
    static std::vector<std::string> TextsOf(const testsupport::RecordingLog& of) {
        std::vector<std::string> out;
        for (const auto& e : of.entries()) out.push_back(e.text + "/" + std::to_string(e.kind));
        return out;
    }
    std::vector<std::string> Texts() const { return TextsOf(log); }

    // A fresh chip with a fault behind the bridge, the records cleared, then a fresh updater
    // loaded from a file and run with a log of its own: the result of Update and its log.
    template <class Updater, class Chip>
    std::pair<bool, std::vector<std::string>> RunWithFault(
        const std::string& path, const std::function<void(sim::SimGtFlashFaults&)>& fault) {
        auto chip = std::make_shared<Chip>();
        fault(chip->faults());
        chip->Attach(*bridge);
        bridge->ClearRecords();
        testsupport::RecordingLog runLog;
        Updater update({device(), clock, *registry, settings, &runLog});
        EXPECT_TRUE(update.LoadFirmwareFile(path));
        const bool result = update.Update();
        return {result, TextsOf(runLog)};
    }
    // The bridge commands other than register transfers, in order.
    std::vector<int> CommandNumbers() const {
        std::vector<int> out;
        for (const sim::BridgeRequest& q : bridge->Commands()) out.push_back(q.command);
        return out;
    }
    // The register writes to one address, in order (payloads of single reports).
    std::vector<std::vector<uint8_t>> WritesTo(uint32_t address) const {
        std::vector<std::vector<uint8_t>> out;
        for (const sim::BridgeRequest& q : bridge->Requests()) {
            if (q.command == 15 && q.type == 1 && !q.continuation && q.address == address)
                out.push_back(q.payload);
        }
        return out;
    }
    size_t ReadsOf(uint32_t address) const {
        size_t n = 0;
        for (uint32_t a : ReadAddresses()) n += a == address;
        return n;
    }

    testsupport::RecordingLog log;
};
