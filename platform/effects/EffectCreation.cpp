// D3DX11CreateEffectFromMemory and D3DX11CreateEffectFromFile.

#include "platform/effects/D3DX11Effect.h"

#include "platform/effects/DebugOutput.h"
#include "platform/effects/Effect.h"
#include "platform/effects/EffectFormat.h"
#include "platform/effects/Includes.h"

using namespace platform::effects;

HRESULT D3DX11CreateEffectFromMemory(const void* data, SIZE_T size, UINT, ID3D11Device* device,
                                     ID3DX11Effect** effect, LPCSTR sourceName)
{
    if (effect) {
        *effect = nullptr;
    }
    if (!device || !effect || (!data && size > 0)) {
        return E_INVALIDARG;
    }
    EffectInfo info;
    std::string error;
    if (!ReadEffect(data, size, info, error)) {
        const std::string text = "D3DX11CreateEffectFromMemory: " + std::string(sourceName ? sourceName : "effect") +
                                 ": " + error + "\n";
        DebugOutput(text);
        return E_FAIL;
    }
    return Effect::Create(device, std::move(info), effect);
}

HRESULT D3DX11CreateEffectFromFile(LPCWSTR fileName, UINT flags, ID3D11Device* device, ID3DX11Effect** effect)
{
    if (effect) {
        *effect = nullptr;
    }
    if (!fileName || !device || !effect) {
        return E_INVALIDARG;
    }
    std::string path;
    for (LPCWSTR c = fileName; *c; ++c) {
        path.push_back(static_cast<char>(static_cast<unsigned>(*c) & 0xFFu));
    }
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        return HRESULT_FILE_NOT_FOUND;
    }
    return D3DX11CreateEffectFromMemory(bytes.data(), bytes.size(), flags, device, effect, path.c_str());
}
