// Element tables: the triangles of the membrane (read from "&ELEMENTS") and the two-node
// bars of the truss model (every distinct triangle side once, see bar_table.h).
//
// Each element has a number, a type (1 for everything the program creates) and an ordered
// list of node numbers. The node lists of all elements are kept in one flat array, which
// keeps a million-element table compact. Lookups by number find the newest element with
// that number; the table keeps file order.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "common/key_index.h"
#include "common/messages.h"

namespace membrane {

struct ElementEntry {
    std::int32_t number;
    std::int32_t type;
    std::uint32_t nodeOffset;  // into the table's flat node array
    std::uint32_t nodeCount;   // 0: the element has no node list
};

class ElementTable {
  public:
    // The "&ELEMENTS" table of a model text: element number and three node numbers per
    // record, type 1. Conversion failures and a table cut short are told to `messages`.
    static ElementTable Read(std::string_view modelText, MessageSink& messages);

    std::int32_t MaxNumber() const { return maxNumber_; }
    std::int32_t Count() const { return static_cast<std::int32_t>(elements_.size()); }
    bool Empty() const { return elements_.empty(); }

    const ElementEntry* Find(std::int32_t number) const;
    void Add(std::int32_t number, std::int32_t type, std::span<const std::int32_t> nodes);
    void Reserve(std::size_t elements, std::size_t nodes);

    std::span<const std::int32_t> NodesOf(const ElementEntry& element) const {
        return {nodes_.data() + element.nodeOffset, element.nodeCount};
    }
    // Oldest first (file order).
    const std::vector<ElementEntry>& Elements() const { return elements_; }

  private:
    std::vector<ElementEntry> elements_;
    std::vector<std::int32_t> nodes_;
    KeyIndex index_;
    std::int32_t maxNumber_ = 0;
};

}  // namespace membrane
