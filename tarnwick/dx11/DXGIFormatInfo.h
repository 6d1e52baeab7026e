#pragma once
// The DXGI format table: for every format value 0 to 99 its component type, component
// count, bits per element (0 for block-compressed formats), enumerator name and a
// one-line description. Lookups index the table by the format value; there is no bounds
// check, every format the system uses lies in that range.

#include <array>
#include <cstdint>
#include <string>

namespace qz::dx11 {

// Component type codes.
enum DXGIFormatType : std::uint32_t {
    DXGIFormatTypeless = 0,  // also value 0 and the BC6H and BC7 formats
    DXGIFormatUnorm = 1,
    DXGIFormatUnormSrgb = 2,
    DXGIFormatSnorm = 3,
    DXGIFormatUint = 4,
    DXGIFormatSint = 5,
    DXGIFormatFloat = 6,
    DXGIFormatSharedExponent = 7,
};

class DXGIFormatInfo {
public:
    DXGIFormatInfo(std::uint32_t type, std::uint32_t components, std::uint32_t bits, std::string name,
                   std::string description);
    DXGIFormatInfo(const DXGIFormatInfo& other);
    ~DXGIFormatInfo();
    DXGIFormatInfo& operator=(const DXGIFormatInfo&) = delete;

    std::string GetName() const { return name; }

    const std::uint32_t type;
    const std::uint32_t components;
    const std::uint32_t bits;
    const std::string name;  // "DXGI_FORMAT_" + enumerator
    const std::string description;
};

extern const std::array<DXGIFormatInfo, 100> DXGIFormatInfos;

}  // namespace qz::dx11
