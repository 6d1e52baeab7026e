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

void StatisticsRecorder::Write(const std::string& text, const char* method)
{
    if (file_.Write(text.data(), text.size())) return;
    const std::string fileName = fileName_;
    QZ_REPORT_SAVE_FAILURE(fileName, file_.Error(), QZ_THROW(method, "Could not write to file \"", fileName, "\""));
}

void StatisticsRecorder::Start(const std::string& fileName)
{
    if (IsRecording()) {
        QZ_THROW("qz::dev::StatisticsRecorder::Start", "Recording is already running. Stop the old one first.");
    }
    if (!file_.Open(platform::win::ToNativePath(fileName))) {
        QZ_REPORT_SAVE_FAILURE(fileName, file_.Error(),
                               QZ_THROW("qz::dev::StatisticsRecorder::Start", "Could not open file \"", fileName, "\""));
    }
    fieldCount_ = 0;
    fileName_ = fileName;
    qz::core::Logger::BeginMessageWith("Started recording to \"") << fileName << "\"";
    const std::string header = Line(
        [](const VariantCollectionItem& item) { return item.description.empty() ? item.key : item.description; },
        fieldCount_);
    try {
        Write(header, "qz::dev::StatisticsRecorder::Start");
    } catch (...) {
        file_.Discard();
        fileName_.clear();
        throw;
    }
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
    Write(record, "qz::dev::StatisticsRecorder::AddRecord");
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
    fileName_.clear();
    if (!file_.Commit()) {
        QZ_REPORT_SAVE_FAILURE(fileName, file_.Error(),
                               QZ_THROW("qz::dev::StatisticsRecorder::End", "Could not write to file \"", fileName, "\""));
    }
}

}  // namespace qz::dev
