#include "tarnwick/dev/StatisticsRecorder.h"

#include "platform/win/Files.h"
#include "tarnwick/core/ErrorReport.h"

namespace qz::dev {

using qz::core::VariantCollection;
using qz::core::VariantCollectionItem;

namespace {

// CSV readers expect CR LF on every platform.
const char* const LineEnd = "\r\n";

}  // namespace

StatisticsRecorder::~StatisticsRecorder()
{
    if (!IsRecording()) return;
    try {
        End();
    } catch (const qz::core::Exception&) {
        // Reported and logged by End; a destructor cannot pass it on.
    }
}

std::vector<VariantCollection*>& StatisticsRecorder::Collections()
{
    if (IsRecording()) {
        QZ_THROW("qz::dev::StatisticsRecorder::Collections", "Cannot access variant collections during a recording");
    }
    return collections_;
}

template <class Field>
std::string StatisticsRecorder::Line(Field field, std::uint32_t& count) const
{
    std::string line;
    count = 0;
    for (const VariantCollection* collection : collections_) {
        if (!collection) continue;
        collection->ForEachItem([&](const VariantCollectionItem& item) {
            line += "\"" + field(item) + "\";";
            ++count;
        });
    }
    return line + LineEnd;
}

bool StatisticsRecorder::Write(const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), file_) == text.size() && std::ferror(file_) == 0;
}

void StatisticsRecorder::Start(const std::string& fileName)
{
    if (IsRecording()) {
        QZ_THROW("qz::dev::StatisticsRecorder::Start", "Recording is already running. Stop the old one first.");
    }
    file_ = std::fopen(platform::win::ToNativePath(fileName).c_str(), "w+b");
    if (!file_) QZ_THROW("qz::dev::StatisticsRecorder::Start", "Could not open file \"", fileName, "\"");
    fieldCount_ = 0;
    qz::core::Logger::BeginMessageWith("Started recording to \"") << fileName << "\"";
    const std::string header = Line(
        [](const VariantCollectionItem& item) { return item.description.empty() ? item.key : item.description; },
        fieldCount_);
    if (!Write(header)) {
        std::fclose(file_);
        file_ = nullptr;
        QZ_THROW("qz::dev::StatisticsRecorder::Start", "Could not write to file \"", fileName, "\"");
    }
    fileName_ = fileName;
}

void StatisticsRecorder::AddRecord()
{
    if (!IsRecording()) QZ_THROW("qz::dev::StatisticsRecorder::AddRecord", "Recording is not running");
    std::uint32_t count = 0;
    const std::string record = Line(
        [](const VariantCollectionItem& item) {
            std::string text;
            item.value.ToString(text);
            return text;
        },
        count);
    if (!Write(record)) QZ_THROW("qz::dev::StatisticsRecorder::AddRecord", "Could not write to file \"", fileName_, "\"");
    if (count != fieldCount_) {
        QZ_THROW("qz::dev::StatisticsRecorder::AddRecord",
                 "The number of fields has changed during the recording session; file will be invalid.");
    }
}

void StatisticsRecorder::End()
{
    if (!IsRecording()) QZ_THROW("qz::dev::StatisticsRecorder::End", "Recording is not running");
    const std::string fileName = fileName_;
    qz::core::Logger::BeginMessageWith("Ended recording to \"") << fileName << "\"";
    const bool failedBefore = std::ferror(file_) != 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    fileName_.clear();
    if (failedBefore || !closed) QZ_THROW("qz::dev::StatisticsRecorder::End", "Could not write to file \"", fileName, "\"");
}

}  // namespace qz::dev
