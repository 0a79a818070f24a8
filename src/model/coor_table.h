// The node table: node number and point (x, y, z) per node, read from "&COORDINATES".
// z starts at 0 and receives the membrane heights before the truss model is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/messages.h"
#include "model/key_index.h"

namespace membrane {

struct NodeEntry {
    std::int32_t number;
    double x, y, z;
};

class TCoorClass {
public:
    TCoorClass(bool readNow, std::string modelFileName, MessageSink* messages = nullptr);

    // Newest node with this number, or null.
    const NodeEntry* FindNode(std::int32_t number) const;
    NodeEntry* FindNode(std::int32_t number);
    std::int32_t Add(std::int32_t number, double x, double y, double z);
    std::int32_t MaxNumber() const { return maxNumber_; }
    std::int32_t Count() const { return static_cast<std::int32_t>(nodes_.size()); }

    bool ReadTable(MessageSink& messages);
    bool EchoToReport(const std::string& path) const;
    bool EchoToReport() const { return EchoToReport(reportFileName_); }
    bool WriteTrussSection(const std::string& path) const;
    bool WriteTrussSection() const { return WriteTrussSection(trussFileName_); }

    // Oldest first (file order).
    const std::vector<NodeEntry>& Nodes() const { return nodes_; }
    std::vector<NodeEntry>& MutableNodes() { return nodes_; }

    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;

    const std::string& ModelFileName() const { return modelFileName_; }
    const std::string& ReportFileName() const { return reportFileName_; }
    const std::string& TrussFileName() const { return trussFileName_; }

private:
    std::vector<NodeEntry> nodes_;
    KeyIndex index_;
    std::int32_t maxNumber_ = 0;
    std::string modelFileName_, reportFileName_, trussFileName_;
};

}  // namespace membrane
