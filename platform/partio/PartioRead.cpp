#include "platform/partio/BgeoReader.h"
#include "platform/partio/ByteSource.h"
#include "platform/partio/FileNames.h"
#include "platform/partio/Partio.h"

#include <new>
#include <string>

namespace Partio {

ParticlesDataMutable* read(const char* filename, bool verbose, std::ostream& errorStream)
{
    const std::string name = filename ? filename : "";
    std::string failure;
    try {
        const std::string extension = platform::partio::FormatExtension(name);
        if (extension != "bgeo") {
            failure = "no reader for the extension \"" + extension + "\"";
        } else {
            const auto source = platform::partio::OpenByteSource(name);
            return platform::partio::ReadBgeo(*source);
        }
    } catch (const platform::partio::FormatError& error) {
        failure = error.what();
    } catch (const std::bad_alloc&) {
        failure = "out of memory";
    } catch (const std::exception& error) {
        failure = error.what();
    }
    if (verbose) errorStream << "Partio: " << name << ": " << failure << std::endl;
    return nullptr;
}

}  // namespace Partio
