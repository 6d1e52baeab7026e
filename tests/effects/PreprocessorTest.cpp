// The preprocessor: expansion, conditionals, includes, line keeping and its messages.

#include "tests/effects/EffectTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using d3d11sw::ComPtr;
using qz::test::BlobText;
using qz::test::Macros;

struct Result {
    HRESULT hr = S_OK;
    std::string text;
    std::string messages;
};

Result Preprocessed(const std::string& source, const Macros& macros = {}, ID3DInclude* include = nullptr,
           const char* name = "test.fx")
{
    std::vector<D3D_SHADER_MACRO> defines;
    for (const auto& [macroName, value] : macros) {
        defines.push_back({macroName.c_str(), value.c_str()});
    }
    defines.push_back({nullptr, nullptr});
    ComPtr<ID3DBlob> text;
    ComPtr<ID3DBlob> messages;
    Result result;
    result.hr = D3DPreprocess(source.data(), source.size(), name, defines.data(), include,
                              text.ReleaseAndGetAddressOf(), messages.ReleaseAndGetAddressOf());
    result.text = BlobText(text.Get());
    result.messages = BlobText(messages.Get());
    return result;
}

// The text without the version line, #line lines and blank lines, each line trimmed.
std::string Body(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    std::string body;
    bool first = true;
    while (std::getline(lines, line)) {
        const std::size_t begin = line.find_first_not_of(' ');
        if (first || begin == std::string::npos || line.compare(begin, 5, "#line") == 0) {
            first = false;
            continue;
        }
        body += (body.empty() ? "" : "\n") + line.substr(begin, line.find_last_not_of(' ') - begin + 1);
    }
    return body;
}

// Where each output line comes from, following the #line lines.
std::vector<std::pair<std::string, int>> Origins(const std::string& text)
{
    std::vector<std::pair<std::string, int>> origins;
    std::istringstream lines(text);
    std::string line;
    std::string file = "?";
    int next = 0;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        if (line.compare(0, 6, "#line ") == 0) {
            const std::size_t quote = line.find('"');
            next = std::stoi(line.substr(6));
            file = line.substr(quote + 1, line.size() - quote - 2);
            origins.emplace_back("#", 0);
            continue;
        }
        origins.emplace_back(file, next++);
    }
    return origins;
}

struct ExpansionCase {
    const char* what;
    std::string source;
    std::string expected;
    Macros macros = {};
};

class Expansion : public ::testing::TestWithParam<ExpansionCase> {};

TEST_P(Expansion, GivesTheExpectedText)
{
    const ExpansionCase& c = GetParam();
    const Result result = Preprocessed(c.source, c.macros);
    ASSERT_EQ(S_OK, result.hr) << result.messages;
    EXPECT_EQ(c.expected, Body(result.text));
    EXPECT_EQ("", result.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Preprocessor, Expansion,
    ::testing::Values(
        ExpansionCase{"object", "#define A 1\nA + A", "1 + 1"},
        ExpansionCase{"function", "#define F(x, y) ((x) * (y))\nF(a+1, b)", "((a+1) * (b))"},
        ExpansionCase{"self reference", "#define A A B\nA", "A B"},
        ExpansionCase{"mutual reference", "#define f(x) g(x)\n#define g(x) f(x)\nf(1)", "f(1)"},
        ExpansionCase{"stringize", "#define S(x) #x\nS(a  \"b\\n\")", "\"a \\\"b\\\\n\\\"\""},
        ExpansionCase{"paste", "#define P(a, b) a ## b\nP(x, 1) P(+, =)", "x1 +="},
        ExpansionCase{"paste with an empty side", "#define P(a, b) a##b\nP(, y) P(z, )", "y z"},
        ExpansionCase{"undef", "#define A 1\n#undef A\nA", "A"},
        ExpansionCase{"arithmetic", "#if (1 << 3) == 8 && 7 % 4 == 3 && -1 < 0 && ~0 == -1\nyes\n#else\nno\n#endif",
                      "yes"},
        ExpansionCase{"defined", "#define X\n#if defined(X) && !defined Y\nyes\n#endif", "yes"},
        ExpansionCase{"elif", "#define V 2\n#if V == 1\none\n#elif V == 2\ntwo\n#else\nother\n#endif", "two"},
        ExpansionCase{"skipped lines are not read", "#if 0\n#error not me\n#bogus\n#if 1\n#endif\n#endif\nok", "ok"},
        ExpansionCase{"function name alone", "#define F(x) x\nF + 1", "F + 1"},
        ExpansionCase{"arguments over lines", "#define F(a, b) a+b\nF(1,\n2) end", "1+2 end"},
        ExpansionCase{"arguments over blank lines", "#define F(a, b) a+b\nF(1,\n\n\n2) end", "1+2 end"},
        ExpansionCase{"caller macros", "A E end", "3 end", {{"A", "3"}, {"E", ""}}},
        ExpansionCase{"caller macro used in #if", "#if MODE == 2\ntwo\n#endif", "two", {{"MODE", "2"}}},
        ExpansionCase{"object yields a function", "#define obj(x) [x]\n#define f obj\nf(1)", "[1]"},
        ExpansionCase{"parenthesised commas", "#define F(x) [x]\nF((a, b))", "[(a, b)]"},
        ExpansionCase{"unknown names are 0", "#if FOO\nno\n#else\nyes\n#endif", "yes"},
        ExpansionCase{"short circuit", "#if 1 || (1 / 0)\nyes\n#endif\n#if 0 && 1 % 0\n#else\nno\n#endif", "yes\nno"},
        ExpansionCase{"conditional operator", "#if (2 > 1 ? 5 : 1 / 0) == 5\nyes\n#endif", "yes"},
        ExpansionCase{"hex and suffixes", "#if 0x10 == 16u && 010 == 8\nyes\n#endif", "yes"},
        ExpansionCase{"argument pre-expansion", "#define ONE 1\n#define F(x) x + x\nF(ONE)", "1 + 1"},
        ExpansionCase{"pragma passes on", "#pragma pack_matrix( row_major )", "#pragma pack_matrix( row_major )"}),
    [](const ::testing::TestParamInfo<ExpansionCase>& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

struct ErrorCase {
    std::string source;
    std::string message;  // expected within the messages
};

class Errors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(Errors, FailWithFileLineAndColumn)
{
    const ErrorCase& c = GetParam();
    const Result result = Preprocessed(c.source);
    EXPECT_EQ(E_FAIL, result.hr);
    EXPECT_EQ("", result.text);
    EXPECT_NE(std::string::npos, result.messages.find(c.message)) << result.messages;
}

INSTANTIATE_TEST_SUITE_P(
    Preprocessor, Errors,
    ::testing::Values(
        ErrorCase{"x\n  #error stop here", "test.fx(2,3): error X1502: #error stop here\n"},
        ErrorCase{"\n#if 1\n", "test.fx(2,1): error X1506: unterminated conditional directive"},
        ErrorCase{"#endif", "test.fx(1,1): error X1505: #endif without #if"},
        ErrorCase{"#if 1\n#else\n#else\n#endif", "test.fx(3,1): error X1505: #else after #else"},
        ErrorCase{"#if 1\n#else\n#elif 1\n#endif", "test.fx(3,1): error X1505: #elif after #else"},
        ErrorCase{"#if 1 / 0\n#endif", "test.fx(1,1): error X1510: division by zero in #if expression"},
        ErrorCase{"#if\n#endif", "error X1510: #if without an expression"},
        ErrorCase{"#if 1 +\n#endif", "error X1510: unexpected end of #if expression"},
        ErrorCase{"#if 1.5\n#endif", "error X1510: invalid integer '1.5'"},
        ErrorCase{"#define F(x) x\n\n   F(1, 2)", "test.fx(3,4): error X1509: macro 'F' takes 1 arguments, not 2"},
        ErrorCase{"#define F(x) x\nF(1", "test.fx(2,1): error X1509: unterminated argument list of macro 'F'"},
        ErrorCase{"#foo", "test.fx(1,1): error X1501: invalid preprocessor command 'foo'"},
        ErrorCase{"#include \"missing.fxh\"", "error X1503: cannot open include file 'missing.fxh'"},
        ErrorCase{"#define A(x) #y", "error X1508: '#' must be followed by a macro parameter"},
        ErrorCase{"#define A(x, x) x", "error X1508: invalid parameter list of macro 'A'"},
        ErrorCase{"#define A(x) ## x", "error X1508: '##' cannot start or end a macro"},
        ErrorCase{"#define", "error X1508: #define needs a macro name"},
        ErrorCase{"#define P(a, b) a ## b\nP(+, -)", "error X1515: pasting \"+\" and \"-\" does not give"},
        ErrorCase{"#line 10 \"other.fx\"\n#error here", "other.fx(10,1): error X1502: #error here"},
        ErrorCase{"#line x", "error X1511:"},
        ErrorCase{"a /* open comment\nb", "error X1516: unterminated comment at end of file"}));

TEST(Preprocessor, RunawayExpansionStopsWithAnError)
{
    std::string source;
    for (int i = 0; i < 40; ++i) {
        source += "#define m" + std::to_string(i) + " m" + std::to_string(i + 1) + " m" + std::to_string(i + 1) + "\n";
    }
    source += "m0\n";
    const Result result = Preprocessed(source);
    EXPECT_EQ(E_FAIL, result.hr);
    EXPECT_NE(std::string::npos, result.messages.find("error X1512: macro expansion too large")) << result.messages;
}

TEST(Preprocessor, RedefinitionIsAWarningAndTheLastDefinitionCounts)
{
    const Result result = Preprocessed("#define A 1\n#define A 1\n#define A 2\nA");
    ASSERT_EQ(S_OK, result.hr);
    EXPECT_EQ("2", Body(result.text));
    EXPECT_EQ("test.fx(3,1): warning X1507: 'A': macro redefinition\n", result.messages);
}

TEST(Preprocessor, OutputStartsWithTheFormatVersionAndKeepsLineNumbers)
{
    const Result result = Preprocessed("a\n/* one\n two */ b\nc \\\n d\n#define F(x, y) x y\nF(e,\n f)\ng\n");
    ASSERT_EQ(S_OK, result.hr);
    EXPECT_EQ(0u, result.text.rfind("// fx_5_0 effect compiler, compiled-effect format 1\n#line 1 \"test.fx\"\n", 0));
    const auto origins = Origins(result.text);
    std::istringstream lines(result.text);
    std::string line;
    std::getline(lines, line);
    std::map<std::string, int> lineOf;
    for (const auto& origin : origins) {
        std::getline(lines, line);
        const std::size_t begin = line.find_first_not_of(' ');
        if (origin.first != "#" && begin != std::string::npos) {
            lineOf[line.substr(begin)] = origin.second;
        }
    }
    EXPECT_EQ(1, lineOf["a"]);
    EXPECT_EQ(2, lineOf["b"]);  // the comment joins its lines
    EXPECT_EQ(4, lineOf["c  d"]);
    EXPECT_EQ(7, lineOf["e f"]);
    EXPECT_EQ(9, lineOf["g"]);
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = std::filesystem::path("pp_includes") / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "sub");
    }
    void Write(const std::filesystem::path& relative, const std::string& text)
    {
        std::ofstream(root / relative, std::ios::binary) << text;
    }
    std::string Read(const std::filesystem::path& relative)
    {
        std::ifstream in(root / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path root;
};

TEST_F(TempFolder, StandardIncludeResolvesRelativeToTheIncludingFile)
{
    Write("main.fx", "#include \"sub/inner.fxh\"\nmain FROM_OTHER\n");
    Write("sub/inner.fxh", "inner\n#include \"other.fxh\"\n");
    Write("sub/other.fxh", "#pragma once\n#define FROM_OTHER other\nother\n");
    const std::string mainName = (root / "main.fx").string();
    const std::string source = Read("main.fx");
    const Result result = Preprocessed(source, {}, D3D_COMPILE_STANDARD_FILE_INCLUDE, mainName.c_str());
    ASSERT_EQ(S_OK, result.hr) << result.messages;
    EXPECT_EQ("inner\nother\nmain other", Body(result.text));
    const auto origins = Origins(result.text);
    const std::string inner = (root / "sub/inner.fxh").string();
    EXPECT_NE(origins.end(), std::find(origins.begin(), origins.end(), std::make_pair(inner, 1)));
    EXPECT_NE(std::string::npos, result.text.find("#line 2 \"" + mainName + "\""));
}

TEST_F(TempFolder, ErrorsInAnIncludedFileNameThatFile)
{
    Write("main.fx", "#include \"sub/bad.fxh\"\n");
    Write("sub/bad.fxh", "\n#error inside\n");
    const std::string mainName = (root / "main.fx").string();
    const Result result = Preprocessed(Read("main.fx"), {}, D3D_COMPILE_STANDARD_FILE_INCLUDE, mainName.c_str());
    EXPECT_EQ(E_FAIL, result.hr);
    EXPECT_EQ((root / "sub/bad.fxh").string() + "(2,1): error X1502: #error inside\n", result.messages);
}

TEST_F(TempFolder, SelfInclusionEndsAtTheDepthLimit)
{
    Write("loop.fx", "#include \"loop.fx\"\n");
    const std::string name = (root / "loop.fx").string();
    const Result result = Preprocessed(Read("loop.fx"), {}, D3D_COMPILE_STANDARD_FILE_INCLUDE, name.c_str());
    EXPECT_EQ(E_FAIL, result.hr);
    EXPECT_NE(std::string::npos, result.messages.find("error X1504: #include nested too deeply"));
}

// Serves files from memory and records what it was asked.
class MemoryInclude final : public ID3DInclude {
public:
    HRESULT Open(D3D_INCLUDE_TYPE type, LPCSTR fileName, const void* parentData, const void** data,
                 UINT* bytes) override
    {
        const auto found = files.find(fileName);
        if (found == files.end()) {
            return E_FAIL;
        }
        calls.push_back({type, fileName, parentData, found->second.data()});
        *data = found->second.data();
        *bytes = static_cast<UINT>(found->second.size());
        return S_OK;
    }
    HRESULT Close(const void* data) override
    {
        closed.push_back(data);
        return S_OK;
    }

    struct Call {
        D3D_INCLUDE_TYPE type;
        std::string name;
        const void* parent;
        const void* data;
    };
    std::map<std::string, std::string> files;
    std::vector<Call> calls;
    std::vector<const void*> closed;
};

TEST(Preprocessor, CallerIncludeGetsTheParentDataAndClosesEveryFile)
{
    MemoryInclude include;
    include.files["a.fxh"] = "a\n#include <b.fxh>\n";
    include.files["b.fxh"] = "b";
    const std::string source = "#include \"a.fxh\"\ntop";
    std::vector<D3D_SHADER_MACRO> none = {{nullptr, nullptr}};
    ComPtr<ID3DBlob> text;
    ASSERT_EQ(S_OK, D3DPreprocess(source.data(), source.size(), "top.fx", none.data(), &include,
                                  text.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ("a\nb\ntop", Body(BlobText(text.Get())));
    ASSERT_EQ(2u, include.calls.size());
    EXPECT_EQ(D3D_INCLUDE_LOCAL, include.calls[0].type);
    EXPECT_EQ(source.data(), include.calls[0].parent);
    EXPECT_EQ(D3D_INCLUDE_SYSTEM, include.calls[1].type);
    EXPECT_EQ(include.calls[0].data, include.calls[1].parent);
    EXPECT_EQ((std::vector<const void*>{include.calls[1].data, include.calls[0].data}), include.closed);
}

TEST(Preprocessor, IncludesThatMultiplyStopAtTheirLimit)
{
    MemoryInclude include;
    std::string forty;
    for (int i = 0; i < 40; ++i) {
        forty += "#include \"leaf.fxh\"\n";
    }
    include.files["wide.fxh"] = forty;
    include.files["leaf.fxh"] = "x\n";
    std::string top;
    for (int i = 0; i < 40; ++i) {
        top += "#include \"wide.fxh\"\n";
    }
    const Result result = Preprocessed(top, {}, &include);
    EXPECT_EQ(E_FAIL, result.hr);
    EXPECT_EQ("wide.fxh(40,1): error X1504: more than 1024 #include\n", result.messages);
    EXPECT_EQ(include.calls.size(), include.closed.size());
    include.files["twice.fxh"] = "#include \"twice.fxh\"\n#include \"twice.fxh\"\n";
    const Result deep = Preprocessed("#include \"twice.fxh\"", {}, &include);
    EXPECT_EQ("twice.fxh(1,1): error X1504: #include nested too deeply\n", deep.messages);
}

TEST(Preprocessor, TextBlobEndsWithAZeroByte)
{
    const std::string source = "x";
    ComPtr<ID3DBlob> text;
    ASSERT_EQ(S_OK, D3DPreprocess(source.data(), source.size(), "t.fx", nullptr, nullptr,
                                  text.ReleaseAndGetAddressOf(), nullptr));
    const char* bytes = static_cast<const char*>(text->GetBufferPointer());
    EXPECT_EQ('\0', bytes[text->GetBufferSize() - 1]);
    EXPECT_EQ(text->GetBufferSize() - 1, std::strlen(bytes));
}

}  // namespace
