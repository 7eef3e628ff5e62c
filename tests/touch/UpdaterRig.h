#pragma once

#include <string>
#include <vector>

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
    UpdaterContext Context() { return {device(), *registry, settings, &log}; }

    // The log as "<text>/<kind>".
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& e : log.entries()) out.push_back(e.text + "/" + std::to_string(e.kind));
        return out;
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
