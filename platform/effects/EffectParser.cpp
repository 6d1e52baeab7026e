#include "platform/effects/EffectParser.h"

#include "platform/effects/Numbers.h"
#include "platform/effects/StateBlocks.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace platform::effects {
namespace {

constexpr std::uint32_t kMaxArrayElements = 65536;

bool IsModifier(const std::string& word)
{
    static constexpr std::array<std::string_view, 28> kModifiers = {
        "static",   "const",     "uniform",        "extern",      "shared",      "groupshared", "volatile",
        "precise",  "inline",    "row_major",      "column_major", "nointerpolation", "linear", "centroid",
        "noperspective", "sample", "snorm",        "unorm",       "export",      "in",          "out",
        "inout",    "point",     "line",           "triangle",    "lineadj",     "triangleadj", "globallycoherent"};
    return std::find(kModifiers.begin(), kModifiers.end(), word) != kModifiers.end();
}

// Geometry and tessellation stream types: legal parameters, never vertex inputs.
bool IsStreamType(const std::string& word)
{
    return word == "PointStream" || word == "LineStream" || word == "TriangleStream" || word == "InputPatch" ||
           word == "OutputPatch";
}

}  // namespace

bool ParseEffect(const FxTokenList& tokens, EffectInfo& effect, Diagnostics& diagnostics)
{
    EffectParser parser(tokens, diagnostics, effect);
    try {
        parser.Parse();
    } catch (const SyntaxError&) {
        return false;
    }
    if (diagnostics.HasErrors()) {
        return false;
    }
    parser.Finish();
    return !diagnostics.HasErrors();
}

void EffectParser::Parse()
{
    while (!cursor_.AtEnd()) {
        TopLevel();
    }
}

void EffectParser::Finish()
{
    LayOutBuffers();
    AssignSlots();
    WriteInitialValues();
    effect_.variables.clear();
    for (const PendingVariable& variable : variables_) {
        effect_.variables.push_back(variable.info);
    }
    ResolvePasses();
}

void EffectParser::TopLevel()
{
    const FxToken& token = cursor_.Peek();
    if (token.kind == FxKind::Pragma) {
        Pragma(cursor_.Next());
    } else if (cursor_.Accept(";")) {
    } else if (token.Is("[")) {
        cursor_.SkipBalanced("[", "]");
    } else if (token.IsWord("cbuffer")) {
        ConstantBuffer();
    } else if (token.IsWord("struct")) {
        Struct();
    } else if (token.IsWord("technique11") || token.IsWord("technique10") || token.IsWord("technique")) {
        Technique();
    } else if (token.IsWord("tbuffer") || token.IsWord("typedef") || token.IsWord("namespace") ||
               token.IsWord("interface") || token.IsWord("class") || token.IsWord("fxgroup")) {
        cursor_.Fail(token, message::kUnsupported, "'" + token.text + "' is not supported by this effect compiler");
    } else {
        Declaration(-1);
    }
}

void EffectParser::Pragma(const FxToken& token)
{
    std::string text;
    for (char c : token.text) {
        if (c != ' ' && c != '\t') {
            text += c;
        }
    }
    if (text == "pack_matrix(row_major)") {
        rowMajorDefault_ = true;
    } else if (text == "pack_matrix(column_major)") {
        rowMajorDefault_ = false;
    }
}

void EffectParser::ConstantBuffer()
{
    const FxToken where = cursor_.Next();
    PendingBuffer buffer;
    buffer.where = cursor_.Peek();
    buffer.name = cursor_.ExpectIdentifier("a constant buffer name");
    DeclarationSuffixes(nullptr, &buffer.explicitSlot, nullptr, 'b');
    for (const PendingBuffer& other : buffers_) {
        if (other.name == buffer.name) {
            cursor_.Fail(buffer.where, message::kRedefinition, "'" + buffer.name + "': redefinition");
        }
    }
    cursor_.Expect("{");
    const int index = static_cast<int>(buffers_.size());
    buffers_.push_back(std::move(buffer));
    while (!cursor_.Accept("}")) {
        if (cursor_.Peek().kind == FxKind::Pragma) {
            Pragma(cursor_.Next());
        } else if (!cursor_.Accept(";")) {
            if (cursor_.AtEnd()) {
                cursor_.Fail(where, message::kSyntax, "syntax error: constant buffer is never closed");
            }
            Declaration(index);
        }
    }
    cursor_.Accept(";");
}

void EffectParser::Struct()
{
    cursor_.Next();
    StructDecl decl;
    const FxToken where = cursor_.Peek();
    decl.name = cursor_.ExpectIdentifier("a struct name");
    cursor_.Expect("{");
    while (!cursor_.Accept("}")) {
        if (cursor_.Accept(";")) {
            continue;
        }
        ReadModifiers();
        const TypeRef type = ReadType();
        do {
            FieldDecl field;
            field.type = type;
            field.name = cursor_.ExpectIdentifier("a member name");
            field.elements = ArraySuffix();
            DeclarationSuffixes(&field.semantic, nullptr, nullptr, 0);
            decl.fields.push_back(std::move(field));
        } while (cursor_.Accept(","));
        cursor_.Expect(";");
    }
    if (cursor_.Peek().kind == FxKind::Identifier) {
        cursor_.Fail(cursor_.Peek(), message::kUnsupported, "variables of a struct type are not supported here");
    }
    cursor_.Expect(";");
    for (const StructDecl& other : structs_) {
        if (other.name == decl.name) {
            cursor_.Fail(where, message::kRedefinition, "'" + decl.name + "': redefinition");
        }
    }
    structs_.push_back(std::move(decl));
}

EffectParser::Modifiers EffectParser::ReadModifiers()
{
    Modifiers modifiers;
    while (cursor_.Peek().kind == FxKind::Identifier && IsModifier(cursor_.Peek().text)) {
        const std::string& word = cursor_.Next().text;
        modifiers.isStatic |= word == "static";
        modifiers.groupShared |= word == "groupshared";
        modifiers.uniform |= word == "uniform";
        modifiers.in |= word == "in" || word == "inout";
        modifiers.out |= word == "out" || word == "inout";
        if (word == "row_major") {
            modifiers.matrixOrder = 1;
        } else if (word == "column_major") {
            modifiers.matrixOrder = 2;
        }
    }
    return modifiers;
}

TypeRef EffectParser::ReadType()
{
    const FxToken& token = cursor_.Peek();
    if (token.kind != FxKind::Identifier) {
        cursor_.Unexpected("a type");
    }
    const std::string word = cursor_.Next().text;
    TypeRef type;
    bool unsupported = false;
    if (word == "vector" || word == "matrix") {
        const bool matrix = word == "matrix";
        std::string name = "float";
        std::uint32_t rows = matrix ? 4 : 1;
        std::uint32_t columns = 4;
        if (cursor_.Accept("<")) {
            name = cursor_.ExpectIdentifier("a scalar type");
            std::array<std::uint32_t*, 2> sizes = {matrix ? &rows : &columns, &columns};
            for (std::size_t i = 0; i < (matrix ? 2u : 1u); ++i) {
                cursor_.Expect(",");
                *sizes[i] = cursor_.ExpectInteger(1, 4, message::kSyntax, "syntax error: a size of 1 to 4 expected");
            }
            cursor_.Expect(">");
        }
        if (!ParseNumericTypeName(name, type, unsupported) || type.vector || type.matrix || unsupported) {
            cursor_.Fail(token, message::kUnknownType, "'" + name + "' is not a scalar type");
        }
        type.vector = !matrix;
        type.matrix = matrix;
        type.rows = rows;
        type.columns = columns;
        type.name += matrix ? std::to_string(rows) + "x" + std::to_string(columns) : std::to_string(columns);
        return type;
    }
    if (word == "unsigned" && cursor_.AcceptWord("int")) {
        ParseNumericTypeName("uint", type, unsupported);
        return type;
    }
    if (ParseNumericTypeName(word, type, unsupported)) {
        if (unsupported) {
            cursor_.Fail(token, message::kUnsupported, "type '" + word + "' is not supported");
        }
        return type;
    }
    if (ParseObjectTypeName(word, type) || IsStreamType(word)) {
        if (IsStreamType(word)) {
            type.category = TypeCategory::Void;
            type.name = word;
        }
        if (cursor_.Peek().Is("<")) {
            cursor_.SkipBalanced("<", ">");
        }
        return type;
    }
    for (std::size_t i = 0; i < structs_.size(); ++i) {
        if (structs_[i].name == word) {
            type.category = TypeCategory::Struct;
            type.structIndex = i;
            type.name = word;
            return type;
        }
    }
    cursor_.Fail(token, message::kUnknownType, "unknown type '" + word + "'");
}

std::uint32_t EffectParser::ArraySuffix()
{
    std::uint32_t elements = 0;
    while (cursor_.Accept("[")) {
        const FxToken size = cursor_.Peek();
        const std::uint32_t count =
            cursor_.ExpectInteger(1, kMaxArrayElements, message::kBadArraySize,
                                  "array size must be a literal between 1 and " + std::to_string(kMaxArrayElements));
        if ((elements == 0 ? 1 : elements) * std::uint64_t{count} > kMaxArrayElements) {
            cursor_.Fail(size, message::kBadArraySize, "array too large");
        }
        elements = (elements == 0 ? 1 : elements) * count;
        cursor_.Expect("]");
    }
    return elements;
}

void EffectParser::DeclarationSuffixes(std::string* semantic, int* slot, int* offset, char slotClass)
{
    while (cursor_.Accept(":")) {
        const FxToken& word = cursor_.Peek();
        if (cursor_.AcceptWord("register")) {
            cursor_.Expect("(");
            std::string name = cursor_.ExpectIdentifier("a register");
            if (cursor_.Accept(",")) {
                name = cursor_.ExpectIdentifier("a register");  // after a shader profile
            }
            cursor_.Expect(")");
            NumberValue number;
            const char letter = name.empty() ? 0 : static_cast<char>(name[0] | 0x20);
            const bool valid = name.size() > 1 && ParseNumber(name.substr(1), number) && !number.isFloat &&
                               number.value < 4096;
            if (!valid || (letter != slotClass && !(letter == 'c' && offset))) {
                cursor_.Fail(word, message::kBadRegister, "invalid register '" + name + "' here");
            }
            if (letter == 'c' && offset) {
                *offset = static_cast<int>(number.value) * 16;
            } else if (slot) {
                *slot = static_cast<int>(number.value);
            }
        } else if (cursor_.AcceptWord("packoffset")) {
            cursor_.Expect("(");
            const FxToken& at = cursor_.Peek();
            const std::string name = cursor_.ExpectIdentifier("a register");
            NumberValue number;
            if (!offset || name.size() < 2 || (name[0] | 0x20) != 'c' || !ParseNumber(name.substr(1), number) ||
                number.isFloat || number.value >= 4096) {
                cursor_.Fail(at, message::kBadRegister, "invalid packoffset '" + name + "'");
            }
            int component = 0;
            if (cursor_.Accept(".")) {
                const FxToken& which = cursor_.Peek();
                const std::string letters = cursor_.ExpectIdentifier("a component");
                static constexpr std::string_view kComponents = "xyzw";
                if (letters.size() != 1 || kComponents.find(letters[0]) == std::string_view::npos) {
                    cursor_.Fail(which, message::kBadRegister, "invalid packoffset component '" + letters + "'");
                }
                component = static_cast<int>(kComponents.find(letters[0]));
            }
            cursor_.Expect(")");
            *offset = static_cast<int>(number.value) * 16 + component * 4;
        } else {
            const std::string name = cursor_.ExpectIdentifier("a semantic");
            if (semantic) {
                *semantic = name;
            }
        }
    }
}

std::size_t EffectParser::VariableIndex(const std::string& name) const
{
    for (std::size_t i = 0; i < variables_.size(); ++i) {
        if (variables_[i].info.name == name) {
            return i;
        }
    }
    return variables_.size();
}

void EffectParser::Declaration(int buffer)
{
    const Modifiers modifiers = ReadModifiers();
    const TypeRef type = ReadType();
    FxToken nameToken = cursor_.Peek();
    cursor_.ExpectIdentifier("a name");
    if (cursor_.Peek().Is("(")) {
        if (buffer >= 0) {
            cursor_.Fail(nameToken, message::kSyntax, "syntax error: a function inside a constant buffer");
        }
        Function(nameToken);
        return;
    }
    for (;;) {
        VariableDeclarator(modifiers, type, nameToken, buffer);
        if (!cursor_.Accept(",")) {
            break;
        }
        nameToken = cursor_.Peek();
        cursor_.ExpectIdentifier("a name");
    }
    cursor_.Expect(";");
}

void EffectParser::Function(const FxToken& nameToken)
{
    FunctionDecl function;
    function.name = nameToken.text;
    cursor_.Expect("(");
    if (cursor_.Peek().IsWord("void") && cursor_.Peek(1).Is(")")) {
        cursor_.Next();
    }
    if (!cursor_.Accept(")")) {
        for (;;) {
            ParameterDecl parameter;
            const Modifiers modifiers = ReadModifiers();
            parameter.uniform = modifiers.uniform;
            parameter.out = modifiers.out && !modifiers.in;
            parameter.field.type = ReadType();
            parameter.field.name = cursor_.ExpectIdentifier("a parameter name");
            parameter.field.elements = ArraySuffix();
            DeclarationSuffixes(&parameter.field.semantic, nullptr, nullptr, 0);
            if (cursor_.Accept("=")) {
                cursor_.TakeUntil({",", ")"});
            }
            function.parameters.push_back(std::move(parameter));
            if (cursor_.Accept(")")) {
                break;
            }
            cursor_.Expect(",");
        }
    }
    DeclarationSuffixes(nullptr, nullptr, nullptr, 0);
    if (cursor_.Peek().Is("{")) {
        cursor_.SkipBalanced("{", "}");
        functions_.emplace(function.name, std::move(function));
    } else {
        cursor_.Expect(";");
    }
}

void EffectParser::VariableDeclarator(const Modifiers& modifiers, const TypeRef& type, const FxToken& nameToken,
                                      int buffer)
{
    PendingVariable variable;
    variable.where = nameToken;
    VariableInfo& info = variable.info;
    info.name = nameToken.text;
    info.typeName = type.name;
    info.elements = ArraySuffix();
    char slotClass = 0;
    switch (type.category) {
    case TypeCategory::Numeric: slotClass = 'c'; break;
    case TypeCategory::ShaderResource: slotClass = 't'; break;
    case TypeCategory::UnorderedAccess: slotClass = 'u'; break;
    case TypeCategory::Sampler: slotClass = 's'; break;
    default: break;
    }
    DeclarationSuffixes(&info.semantic, &variable.explicitSlot,
                        type.category == TypeCategory::Numeric ? &variable.explicitOffset : nullptr, slotClass);
    if (cursor_.Peek().Is("<")) {
        cursor_.SkipBalanced("<", ">");
    }
    const bool internal = modifiers.isStatic || modifiers.groupShared;
    if (type.category == TypeCategory::Shader) {
        if (!cursor_.Accept("=")) {
            cursor_.Fail(cursor_.Peek(), message::kSyntax, "syntax error: a shader variable needs a value");
        }
        FxToken where;
        ShaderUse use = ShaderExpression(type.stage, where);
        if (shaderVariables_.count(info.name) || VariableIndex(info.name) < variables_.size()) {
            cursor_.Fail(nameToken, message::kRedefinition, "'" + info.name + "': redefinition");
        }
        shaderVariables_[info.name] = {std::move(use), where};
        shaderVariableStages_[info.name] = type.stage;
        return;
    }
    const bool stateType = type.category == TypeCategory::Sampler || type.category == TypeCategory::Blend ||
                           type.category == TypeCategory::DepthStencil || type.category == TypeCategory::Rasterizer;
    if (cursor_.Accept("=")) {
        variable.initializer = cursor_.TakeUntil({",", ";"});
        if (variable.initializer.empty()) {
            cursor_.Unexpected("an initial value");
        }
    }
    switch (type.category) {
    case TypeCategory::Numeric:
        info.kind = type.matrix ? VariableKind::Matrix : type.vector ? VariableKind::Vector : VariableKind::Scalar;
        info.type = type.base;
        info.rows = type.rows;
        info.columns = type.columns;
        info.columnMajor = modifiers.matrixOrder == 2 || (modifiers.matrixOrder == 0 && !rowMajorDefault_);
        break;
    case TypeCategory::ShaderResource: info.kind = VariableKind::ShaderResource; break;
    case TypeCategory::UnorderedAccess: info.kind = VariableKind::UnorderedAccess; break;
    case TypeCategory::Sampler: info.kind = VariableKind::Sampler; break;
    case TypeCategory::Blend: info.kind = VariableKind::Blend; break;
    case TypeCategory::DepthStencil: info.kind = VariableKind::DepthStencil; break;
    case TypeCategory::Rasterizer: info.kind = VariableKind::Rasterizer; break;
    case TypeCategory::String: return;
    case TypeCategory::Struct:
        if (internal) {
            return;
        }
        cursor_.Fail(nameToken, message::kUnsupported, "'" + info.name + "': struct variables are not supported");
    default: cursor_.Fail(nameToken, message::kSyntax, "'" + info.name + "': a variable cannot have this type");
    }
    if (stateType) {
        SetDefaultState(info);
        if (cursor_.Peek().Is("{")) {
            StateBlock(variable);
        }
    }
    if (!variable.initializer.empty() && type.category != TypeCategory::Numeric) {
        cursor_.Fail(variable.initializer[0], message::kUnsupported,
                     "'" + info.name + "': only numeric variables take an initial value");
    }
    if (internal) {
        return;
    }
    if (VariableIndex(info.name) < variables_.size() || shaderVariables_.count(info.name)) {
        cursor_.Fail(nameToken, message::kRedefinition, "'" + info.name + "': redefinition");
    }
    if (type.category == TypeCategory::Numeric) {
        if (buffer < 0) {
            if (globals_ < 0) {
                globals_ = static_cast<int>(buffers_.size());
                PendingBuffer globals;
                globals.name = "$Globals";
                globals.where = nameToken;
                buffers_.push_back(std::move(globals));
            }
            buffer = globals_;
        }
        buffers_[static_cast<std::size_t>(buffer)].variables.push_back(variables_.size());
        info.buffer = static_cast<std::uint32_t>(buffer);
    } else if (variable.explicitOffset >= 0) {
        cursor_.Fail(nameToken, message::kBadRegister, "'" + info.name + "': packoffset needs a numeric variable");
    }
    variables_.push_back(std::move(variable));
}

void EffectParser::StateBlock(PendingVariable& variable)
{
    cursor_.Expect("{");
    while (!cursor_.Accept("}")) {
        if (cursor_.Accept(";")) {
            continue;
        }
        const FxToken key = cursor_.Peek();
        cursor_.ExpectIdentifier("a state name");
        int index = -1;
        if (cursor_.Accept("[")) {
            index = static_cast<int>(cursor_.ExpectInteger(0, 7, message::kBadStateAssignment, "state index must be 0 to 7"));
            cursor_.Expect("]");
        }
        cursor_.Expect("=");
        const std::vector<FxToken> value = cursor_.TakeUntil({";"});
        cursor_.Expect(";");
        std::string error;
        if (!AssignState(variable.info, key.text, index, value, error)) {
            cursor_.Fail(value.empty() ? key : value[0], message::kBadStateAssignment, error);
        }
    }
}

}  // namespace platform::effects
