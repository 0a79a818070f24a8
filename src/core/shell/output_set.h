// The files of one run, written all or none: each is rendered into a temporary file
// beside its target (common/text_file.h: AtomicFile), and only when every one of them is
// complete and on the disk are they renamed into place, one after the other. A render, a
// write or a disk that fills up at any point leaves every earlier file of the same name as
// it was, and no new file beside an old one.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/text_file.h"
#include "common/text_sink.h"

namespace membrane {

class OutputSet {
  public:
    OutputSet() = default;
    ~OutputSet();  // the temporary files of a set not committed are removed
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // Renders `render`'s text into a temporary file beside `path`. Throws IoError, naming
    // `path`, when the file cannot be created or written.
    void Render(const std::string& path, const std::function<void(TextSink&)>& render);
    // A temporary file written completely by the caller itself, to be put in place with
    // the others.
    void Add(std::unique_ptr<AtomicFile> file);

    // Puts every file in place: first every one of them pushed to the disk and its target
    // checked again, then the renames. Throws IoError; the files not yet renamed are then
    // removed.
    void Commit();

    // The targets, in the order they were added.
    std::vector<std::string> Targets() const;

  private:
    std::vector<std::unique_ptr<AtomicFile>> files_;
};

// One file written through a temporary file (an OutputSet of one).
void WriteWholeFile(const std::string& path, const std::function<void(TextSink&)>& render);

}  // namespace membrane
