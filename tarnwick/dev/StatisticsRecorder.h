#pragma once
// Records the values of variant collections to a CSV file: a header line of the item
// descriptions, then one line per record, each field written as "text"; with CR LF line
// ends. Columns follow the collection list, and within a collection the key order.

#include "tarnwick/core/Variants.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qz::dev {

class StatisticsRecorder {
public:
    StatisticsRecorder() = default;
    // Ends a running recording.
    ~StatisticsRecorder();
    StatisticsRecorder(const StatisticsRecorder&) = delete;
    StatisticsRecorder& operator=(const StatisticsRecorder&) = delete;

    // The collections to record, not owned; refused while a recording runs.
    std::vector<qz::core::VariantCollection*>& Collections();

    // Creates or truncates the file and writes the header line.
    void Start(const std::string& fileName);
    // One line of the current values.
    void AddRecord();
    // Closes the file; the recording is complete once it has been closed.
    void End();

    bool IsRecording() const { return file_ != nullptr; }
    const std::string& FileName() const { return fileName_; }

private:
    // One line: every item of every collection through field, each in quotes with a
    // semicolon after it, and the line end. Counts the fields.
    template <class Field>
    std::string Line(Field field, std::uint32_t& count) const;
    // Writes the whole text; false when the stream fails.
    bool Write(const std::string& text);

    std::FILE* file_ = nullptr;
    std::vector<qz::core::VariantCollection*> collections_;
    std::string fileName_;
    std::uint32_t fieldCount_ = 0;
};

}  // namespace qz::dev
