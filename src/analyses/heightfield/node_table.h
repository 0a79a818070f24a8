// The node table: node number and plan point (x, y) per node, read from "&COORDINATES".
// Lookups by number find the newest node with that number; the table keeps file order.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/key_index.h"
#include "common/messages.h"

namespace membrane {

struct NodeEntry {
    std::int32_t number;
    double x, y;
};

// The smallest and largest x and y of the nodes (all 0 for an empty table).
struct PlanExtent {
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

class NodeTable {
  public:
    // The "&COORDINATES" table of a model text: node number, x, y per record. Conversion
    // failures and a table cut short are told to `messages`; no table gives an empty one.
    static NodeTable Read(std::string_view modelText, MessageSink& messages);

    // Newest node with this number, or null.
    const NodeEntry* Find(std::int32_t number) const;
    // Position in Nodes() of the newest node with this number, or -1.
    std::int32_t IndexOf(std::int32_t number) const { return index_.Find(number); }
    void Add(std::int32_t number, double x, double y);

    std::int32_t MaxNumber() const { return maxNumber_; }
    std::int32_t Count() const { return static_cast<std::int32_t>(nodes_.size()); }
    bool Empty() const { return nodes_.empty(); }
    // Oldest first (file order).
    const std::vector<NodeEntry>& Nodes() const { return nodes_; }
    const PlanExtent& Extent() const { return extent_; }

  private:
    std::vector<NodeEntry> nodes_;
    KeyIndex index_;
    std::int32_t maxNumber_ = 0;
    PlanExtent extent_;
};

}  // namespace membrane
