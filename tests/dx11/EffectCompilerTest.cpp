// The compile cache of EffectCompiler: when a cache file is reused, when it is rewritten
// and how it is named; the error texts of a failed compile.

#include "tarnwick/dx11/EffectCompiler.h"

#include "platform/d3d11/com/ComPtr.h"
#include "platform/effects/D3DCompiler.h"
#include "platform/effects/EffectFormat.h"
#include "tests/dx11/EffectFiles.h"
#include "tests/support/LogCapture.h"
#include "tests/utils/ErrorText.h"

#include <sys/stat.h>

#include <cstring>

namespace {

using qz::dx11::EffectBytes;
using qz::dx11::EffectCompiler;
using qz::dx11::EffectDefines;
using qz::test::ErrorText;
using qz::test::LogCapture;

bool Recompiled(const LogCapture& log) { return log.Text().find("*** Recompiling ") != std::string::npos; }

std::uint64_t StoredHash(const std::string& cache)
{
    std::uint64_t hash = 0;
    std::memcpy(&hash, cache.data(), 8);
    return hash;
}

platform::effects::EffectInfo Decode(const EffectBytes& bytes)
{
    platform::effects::EffectInfo effect;
    std::string error;
    EXPECT_TRUE(platform::effects::ReadEffect(bytes.data(), bytes.size(), effect, error)) << error;
    return effect;
}

class EffectCache : public qz::test::EffectFilesTest {
protected:
    EffectBytes Compile(const std::string& file, std::uint32_t flags = 0, const EffectDefines& defines = {})
    {
        EffectBytes bytes;
        EffectCompiler::CompileFromFile(folder + "/" + file, bytes, flags, defines);
        return bytes;
    }
};

TEST(EffectCompilerNames, HashIsTheFnvStyle64BitHash)
{
    EXPECT_EQ(2166136261u, EffectCompiler::Hash(""));
    // h = (2166136261 * 16777619) xor 'a', modulo 2^64.
    EXPECT_EQ((std::uint64_t{2166136261u} * 16777619u) ^ 'a', EffectCompiler::Hash("a"));
    EXPECT_EQ(((((std::uint64_t{2166136261u} * 16777619u) ^ 'a') * 16777619u) ^ 'b'), EffectCompiler::Hash("ab"));
}

TEST(EffectCompilerNames, CacheNamesCarryTheHashOfTheDefineText)
{
    EXPECT_EQ("shader/volume.prc", EffectCompiler::CacheFileName("shader/volume.fx", {}));
    EXPECT_EQ("noextension.prc", EffectCompiler::CacheFileName("noextension", {}));
    const EffectDefines defines = {{"B", "2"}, {"A", ""}};
    EXPECT_EQ("/DA;/DB=2;", EffectCompiler::DefineText(defines));
    EXPECT_EQ("shader/volume_" + std::to_string(EffectCompiler::Hash("/DA;/DB=2;")) + ".prc",
              EffectCompiler::CacheFileName("shader/volume.fx", defines));
}

TEST_F(EffectCache, AMatchingCacheIsReusedWithoutCompiling)
{
    Write("small.fx", qz::test::kSmallEffect);
    LogCapture first;
    const EffectBytes compiled = Compile("small.fx");
    EXPECT_TRUE(Recompiled(first));
    const std::string cache = Read("small.prc");
    ASSERT_EQ(compiled.size() + 8, cache.size());
    // Mark the cached effect: only a reuse can return the mark.
    std::string marked = cache;
    marked.back() = '!';
    Write("small.prc", marked);
    LogCapture second;
    const EffectBytes reused = Compile("small.fx");
    EXPECT_FALSE(Recompiled(second)) << second.Text();
    EXPECT_EQ('!', static_cast<char>(reused.back()));
    EXPECT_EQ(compiled.size(), reused.size());
}

TEST_F(EffectCache, AnEditInAnIncludedFileRecompiles)
{
    Write("main.fx", "#include \"part.fxh\"\n");
    Write("part.fxh", "float a;\n");
    Compile("main.fx");
    const std::uint64_t before = StoredHash(Read("main.prc"));
    Write("part.fxh", "float b;\n");
    LogCapture log;
    const EffectBytes bytes = Compile("main.fx");
    EXPECT_TRUE(Recompiled(log));
    EXPECT_NE(before, StoredHash(Read("main.prc")));
    EXPECT_EQ("b", Decode(bytes).variables.at(0).name);
}

TEST_F(EffectCache, MacroValuesNameTheirOwnCacheAndGoingBackReusesIt)
{
    Write("small.fx", qz::test::kSmallEffect);
    Compile("small.fx", 0, {{"EXTRA", "1"}});
    Compile("small.fx", 0, {{"EXTRA", "2"}});
    const std::string one = EffectCompiler::CacheFileName("small.fx", {{"EXTRA", "1"}});
    const std::string two = EffectCompiler::CacheFileName("small.fx", {{"EXTRA", "2"}});
    EXPECT_NE(one, two);
    EXPECT_FALSE(Exists("small.prc"));
    EXPECT_NE(StoredHash(Read(one)), StoredHash(Read(two)));
    LogCapture log;
    Compile("small.fx", 0, {{"EXTRA", "1"}});
    EXPECT_FALSE(Recompiled(log));
    // An empty value is passed empty.
    const auto effect = Decode(Compile("small.fx", 0, {{"EXTRA", ""}}));
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"EXTRA", ""}}), effect.macros);
    EXPECT_EQ(2u, effect.variables.size());
}

TEST_F(EffectCache, AStaleCacheIsOverwrittenOnlyAfterASuccessfulCompile)
{
    Write("small.fx", qz::test::kSmallEffect);
    const std::string stale = std::string(8, 'x') + "old effect";
    Write("small.prc", stale);
    Write("small.fx", "float4 broken(;\n");
    EXPECT_NE("", ErrorText([&] { Compile("small.fx"); }));
    EXPECT_EQ(stale, Read("small.prc"));
    Write("small.fx", qz::test::kSmallEffect);
    const EffectBytes bytes = Compile("small.fx");
    EXPECT_EQ(bytes.size() + 8, Read("small.prc").size());
    // Flag 2 takes a cache whatever its hash; flag 1 never takes one; bit 31 writes none.
    Write("small.prc", stale);
    const EffectBytes any = Compile("small.fx", EffectCompiler::kAcceptAnyCache);
    EXPECT_EQ("old effect", std::string(any.begin(), any.end()));
    LogCapture log;
    Compile("small.fx", EffectCompiler::kIgnoreCache | EffectCompiler::kAcceptAnyCache | EffectCompiler::kNoCacheWrite);
    EXPECT_TRUE(Recompiled(log));
    EXPECT_EQ(stale, Read("small.prc"));
}

TEST_F(EffectCache, ACacheOfAnotherCompilerVersionIsRecompiled)
{
    const std::string path = Write("small.fx", qz::test::kSmallEffect);
    const std::string source = qz::test::kSmallEffect;
    d3d11sw::ComPtr<ID3DBlob> text;
    ASSERT_EQ(S_OK, D3DPreprocess(source.data(), source.size(), path.c_str(), nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE,
                                  text.ReleaseAndGetAddressOf(), nullptr));
    // The text an older compiler made differs in its first line only.
    std::string older = static_cast<const char*>(text->GetBufferPointer());
    const std::size_t version = older.find("format 1\n");
    ASSERT_NE(std::string::npos, version);
    older.replace(version, 8, "format 0");
    std::string cache(8, '\0');
    const std::uint64_t hash = EffectCompiler::Hash(older.c_str());
    std::memcpy(cache.data(), &hash, 8);
    Write("small.prc", cache + "an effect of format 0");
    LogCapture log;
    const EffectBytes bytes = Compile("small.fx");
    EXPECT_TRUE(Recompiled(log));
    EXPECT_EQ("small", Decode(bytes).name);
}

TEST_F(EffectCache, ACacheThatIsShortOrCannotBeReadOrWrittenStillGivesTheCompiledEffect)
{
    Write("small.fx", qz::test::kSmallEffect);
    const std::string cache = folder + "/small.prc";
    for (const std::string kind : {"short", "folder", "fifo"}) {
        std::filesystem::remove_all(cache);
        if (kind == "short") {
            Write("small.prc", "short");  // shorter than its header
        } else if (kind == "folder") {
            std::filesystem::create_directory(cache);  // reads come up short, renames fail
        } else {
            ASSERT_EQ(0, ::mkfifo(cache.c_str(), 0600));
        }
        // A reader of the FIFO lets a write into it through, where one is tried.
        const int reader = kind == "fifo" ? ::open(cache.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        LogCapture log;
        EffectBytes bytes;
        EXPECT_TRUE(qz::test::FinishesWithoutAWriter(cache, [&] { bytes = Compile("small.fx"); })) << kind;
        EXPECT_TRUE(Recompiled(log)) << kind;
        EXPECT_EQ("small", Decode(bytes).name);
        if (kind == "short") {
            EXPECT_EQ(bytes.size() + 8, Read("small.prc").size());
        }
        if (reader >= 0) {
            char byte = 0;
            EXPECT_GE(0, ::read(reader, &byte, 1)) << "no cache is written into a FIFO";
            ::close(reader);
        }
    }
    EXPECT_EQ(2u, FileCount());  // no temporary file is left behind
}

TEST_F(EffectCache, ErrorsNameTheFileAndTheLineAndWarningsAreLogged)
{
    const std::string missing = ErrorText([&] { Compile("missing.fx"); });
    EXPECT_NE(std::string::npos,
              missing.find("\nMethod: qz::dx11::EffectCompiler::CompileFromFile\nFile: \"dx11\\EffectCompiler\": "));
    EXPECT_NE(std::string::npos, missing.find("\nCould not find shader file " + folder + "/missing.fx"));
    // Only a regular file is read as a source: nothing waits for a FIFO's writer or reads
    // a folder or device.
    std::filesystem::create_directory(folder + "/folder.fx");
    ASSERT_EQ(0, ::mkfifo((folder + "/fifo.fx").c_str(), 0600));
    std::filesystem::create_symlink("/dev/zero", folder + "/zero.fx");
    for (const std::string name : {"fifo.fx", "zero.fx", "folder.fx"}) {
        std::string special;
        EXPECT_TRUE(qz::test::FinishesWithoutAWriter(folder + "/fifo.fx",
                                                     [&] { special = ErrorText([&] { Compile(name); }); }))
            << name;
        EXPECT_NE(std::string::npos,
                  special.find("\nCould not find shader file " + folder + "/" + name + " (not a regular file)"))
            << special;
    }
    const std::string includer = Write("includer.fx", "#include \"fifo.fx\"\nfloat a;\n");
    std::string included;
    EXPECT_TRUE(qz::test::FinishesWithoutAWriter(folder + "/fifo.fx",
                                                 [&] { included = ErrorText([&] { Compile("includer.fx"); }); }));
    EXPECT_NE(std::string::npos, included.find("Error during preprocessing \"" + includer + "\"")) << included;

    const std::string pre = Write("pre.fx", "float a;\n#error no way\n");
    EXPECT_NE(std::string::npos, ErrorText([&] { Compile("pre.fx"); })
                                     .find("Error during preprocessing \"" + pre + "\":\n" + pre +
                                           "(2,1): error X1502: #error no way\n"));

    const std::string bad = Write("bad.fx", "#define W 1\n#define W 2\nfloat a\n");
    LogCapture log;
    const std::string text = ErrorText([&] { Compile("bad.fx"); });
    EXPECT_NE(std::string::npos, text.find("Error compiling shader from file " + bad + ":\n" + bad +
                                           "(2,1): warning X1507: 'W': macro redefinition\n" + bad + "(4,1): error X3000"))
        << text;
    EXPECT_NE(std::string::npos, log.Text().find("WARNING: " + bad + "(2,1): warning X1507")) << log.Text();
    EXPECT_FALSE(Exists("bad.prc"));

    const std::string warn = Write("warn.fx", "#define W 1\n#define W 2\nfloat a;\n");
    Compile("warn.fx");
    EXPECT_NE(std::string::npos, log.Text().find("WARNING: " + warn + "(2,1): warning X1507")) << log.Text();
}

TEST_F(EffectCache, LoadFromMemoryRefusesWhatIsNotAnEffect)
{
    ID3DX11Effect* effect = nullptr;
    const EffectBytes garbage = {1, 2, 3};
    const std::string text = ErrorText([&] { EffectCompiler::LoadFromMemory(device.Get(), garbage, &effect); });
    EXPECT_NE(std::string::npos, text.find("Method: qz::dx11::EffectCompiler::LoadFromMemory\n"));
    EXPECT_NE(std::string::npos, text.find("\nError loading shader from memory"));
    EXPECT_EQ(nullptr, effect);
}

}  // namespace
