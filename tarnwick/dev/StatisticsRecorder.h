#pragma once
// Records the values of variant collections to a CSV file: a header line of the item
// descriptions, then one line per record, each field written as "text"; with CR LF line
// ends. Columns follow the collection list, and within a collection the key order.
// The file takes its name when End closes it whole: until then, and after a recording
// whose writing failed, an older file of the name stays as it was.

#include "tarnwick/core/Variants.h"
#include "tarnwick/utils/ReplacingFile.h"

#include <cstdint>
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

    // Starts the file and writes the header line.
    void Start(const std::string& fileName);
    // One line of the current values.
    void AddRecord();
    // Closes the file and gives it its name; throws when any of its writing failed.
    void End();

    bool IsRecording() const { return file_.IsOpen(); }
    const std::string& FileName() const { return fileName_; }

private:
    // One line: every item of every collection through field, each in quotes with a
    // semicolon after it, and the line end. Counts the fields.
    template <class Field>
    std::string Line(Field field, std::uint32_t& count) const;
    // Writes the whole text; a failure ends the method with the error report and the
    // system's reason.
    void Write(const std::string& text, const char* method);

    qz::utils::ReplacingFile file_;
    std::vector<qz::core::VariantCollection*> collections_;
    std::string fileName_;
    std::uint32_t fieldCount_ = 0;
};

}  // namespace qz::dev
