// Element tables: the triangles of the membrane (read from "&ELEMENTS") and the two-node
// bars of the truss model (every distinct triangle side once, built from the triangles).
//
// Each element has a number, a type (1 for everything the program creates), an area and
// an ordered list of node numbers. The node lists of all elements are kept in one flat
// array, which keeps a million-element table compact.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/messages.h"
#include "model/key_index.h"
#include "model/pair_map.h"

namespace membrane {

class TCoorClass;

struct ElementEntry {
    std::int32_t number;
    std::int32_t type;
    double area;
    std::uint32_t nodeOffset;  // into the table's flat node array
    std::uint32_t nodeCount;   // 0: the element has no node list
};

class TElemClass {
public:
    TElemClass(bool readNow, std::string modelFileName, MessageSink* messages = nullptr);

    std::int32_t MaxNumber() const { return maxNumber_; }
    std::int32_t Count() const { return static_cast<std::int32_t>(elements_.size()); }
    double Total() const { return total_; }

    const ElementEntry* FindElement(std::int32_t number) const;
    // Newest element whose node list holds every node of `nodes` (in any order); null
    // when `nodes` is empty or nothing matches. Not for two threads at once (it brings
    // the table's pair index up to date).
    const ElementEntry* FindByNodes(std::span<const std::int32_t> nodes) const;
    std::int32_t Add(std::int32_t number, std::int32_t type, double value,
                     std::span<const std::int32_t> nodes);

    std::span<const std::int32_t> NodesOf(const ElementEntry& element) const {
        return {nodes_.data() + element.nodeOffset, element.nodeCount};
    }
    // Oldest first (file order).
    const std::vector<ElementEntry>& Elements() const { return elements_; }

    bool ReadTable(MessageSink& messages);
    bool EchoToReport(const std::string& path) const;
    bool EchoToReport() const { return EchoToReport(reportFileName_); }
    bool WriteTrussSection(const std::string& path) const;
    // The "[elements]" section as WriteTrussSection appends it (empty for an empty table).
    std::string TrussSectionText() const;
    bool WriteTrussSection() const { return WriteTrussSection(trussFileName_); }

    // Area of the triangle in space from the node table's x, y, z; a corner whose node
    // is missing sits at the origin.
    double ElementArea(const ElementEntry& element, const TCoorClass* nodes) const;
    // Sets every element's area (oldest first) and returns their sum.
    double ComputeMeshArea(const TCoorClass* nodes);
    // Fills `bars` with every distinct side of this table's elements, numbered in order of
    // first appearance.
    void BuildBarTable(TElemClass& bars) const;

    const std::string& ReportFileName() const { return reportFileName_; }
    const std::string& TrussFileName() const { return trussFileName_; }

private:
    std::vector<ElementEntry> elements_;
    std::vector<std::int32_t> nodes_;
    KeyIndex index_;
    std::int32_t maxNumber_ = 0;
    double total_ = 0.0;
    std::string modelFileName_, reportFileName_, trussFileName_;

    // For two-node elements: the newest element per unordered node pair, and per node the
    // newest element that contains it. They answer FindByNodes for a pair without a scan.
    // They are brought up to date by FindByNodes itself, from the elements added since
    // its last call: a bar table that is never searched never pays for them.
    bool onlyPairs_ = true;
    mutable PairMap pairIndex_;
    mutable KeyIndex nodeIndex_;
    mutable std::size_t pairsIndexed_ = 0;  // elements_[0 .. pairsIndexed_) are in the indexes
    void IndexPairs() const;
};

}  // namespace membrane
