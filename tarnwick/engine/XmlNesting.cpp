#include "tarnwick/engine/XmlNesting.h"

#include <tinyxml.h>

#include <string>
#include <vector>

namespace qz::engine {

namespace {

// Never instantiated: it only opens the library's character-level readers, so that the
// walk skips exactly what the parser skips (entities, UTF-8 sequences, white space).
class LibraryReaders : public TiXmlBase {
public:
    using TiXmlBase::IsAlpha;
    using TiXmlBase::ReadName;
    using TiXmlBase::SkipWhiteSpace;
    using TiXmlBase::StringEqual;
};

enum class NodeKind { None, Declaration, Comment, CData, Unknown, Element };

// The parser's choice of node at p.
NodeKind Identify(const char* p, TiXmlEncoding encoding)
{
    p = LibraryReaders::SkipWhiteSpace(p, encoding);
    if (!p || *p != '<') return NodeKind::None;
    if (LibraryReaders::StringEqual(p, "<?xml", true, encoding)) return NodeKind::Declaration;
    if (LibraryReaders::StringEqual(p, "<!--", false, encoding)) return NodeKind::Comment;
    if (LibraryReaders::StringEqual(p, "<![CDATA[", false, encoding)) return NodeKind::CData;
    if (LibraryReaders::StringEqual(p, "<!", false, encoding)) return NodeKind::Unknown;
    const auto next = static_cast<unsigned char>(p[1]);
    if (LibraryReaders::IsAlpha(next, encoding) || next == '_') return NodeKind::Element;
    return NodeKind::Unknown;
}

// Nodes without children are parsed by the library's own node classes.
const char* ParseLeaf(NodeKind kind, const char* p, TiXmlEncoding encoding, std::string* declaredEncoding)
{
    switch (kind) {
    case NodeKind::Declaration: {
        TiXmlDeclaration declaration;
        p = declaration.Parse(p, nullptr, encoding);
        if (declaredEncoding) *declaredEncoding = declaration.Encoding();
        return p;
    }
    case NodeKind::Comment: return TiXmlComment().Parse(p, nullptr, encoding);
    case NodeKind::CData: {
        TiXmlText text("");
        text.SetCDATA(true);
        return text.Parse(p, nullptr, encoding);
    }
    case NodeKind::Unknown: return TiXmlUnknown().Parse(p, nullptr, encoding);
    default: return nullptr;
    }
}

class Walk {
public:
    Walk(const char* text, std::size_t limit) : text_(text), limit_(limit) {}

    XmlNesting Document()
    {
        // The parser's document loop: a byte-order mark means UTF-8, and so does the first
        // declaration at the top that names UTF-8 or no encoding.
        TiXmlEncoding encoding = TIXML_ENCODING_UNKNOWN;
        const auto* bytes = reinterpret_cast<const unsigned char*>(text_);
        if (bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) encoding = TIXML_ENCODING_UTF8;
        const char* p = LibraryReaders::SkipWhiteSpace(text_, encoding);
        while (p && *p && !result_.tooDeep) {
            const NodeKind kind = Identify(p, encoding);
            if (kind == NodeKind::None) break;
            std::string declared;
            const bool declaration = kind == NodeKind::Declaration;
            p = kind == NodeKind::Element ? Element(p, encoding) : ParseLeaf(kind, p, encoding, &declared);
            if (declaration && encoding == TIXML_ENCODING_UNKNOWN) {
                const bool utf8 = declared.empty() || LibraryReaders::StringEqual(declared.c_str(), "UTF-8", true, TIXML_ENCODING_UNKNOWN) ||
                                  LibraryReaders::StringEqual(declared.c_str(), "UTF8", true, TIXML_ENCODING_UNKNOWN);
                encoding = utf8 ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY;
            }
            p = LibraryReaders::SkipWhiteSpace(p, encoding);
        }
        return result_;
    }

private:
    enum class State { StartTag, Content, EndOfElement };

    // An element and everything in it, with the parser's steps, but the open elements kept
    // in a list instead of on the call stack. Null where the parser would fail.
    const char* Element(const char* p, TiXmlEncoding encoding)
    {
        std::vector<std::string> endTags;
        State state = State::StartTag;
        for (;;) {
            switch (state) {
            case State::StartTag: {
                // The parser is one level deeper from here on, whatever follows.
                const std::size_t level = endTags.size() + 1;
                if (level > result_.depth) result_.depth = level;
                if (level > limit_) {
                    result_.tooDeep = true;
                    result_.offset = static_cast<std::size_t>(LibraryReaders::SkipWhiteSpace(p, encoding) - text_);
                    return nullptr;
                }
                p = LibraryReaders::SkipWhiteSpace(p, encoding);
                if (!p || *p != '<') return nullptr;
                p = LibraryReaders::SkipWhiteSpace(p + 1, encoding);
                std::string name;
                p = LibraryReaders::ReadName(p, &name, encoding);
                if (!p || !*p) return nullptr;
                endTags.push_back("</" + name);
                state = Attributes(p, encoding);
                if (!p) return nullptr;
                break;
            }
            case State::Content: {
                p = LibraryReaders::SkipWhiteSpace(p, encoding);
                if (!p || !*p) return nullptr;
                if (*p != '<') {
                    // The library's text node reads up to the next '<' its reading stops at.
                    TiXmlText text("");
                    p = text.Parse(TiXmlBase::IsWhiteSpaceCondensed() ? p : contentStart_, nullptr, encoding);
                    contentStart_ = p;
                    break;
                }
                if (LibraryReaders::StringEqual(p, "</", false, encoding)) {
                    const std::string& endTag = endTags.back();
                    if (!LibraryReaders::StringEqual(p, endTag.c_str(), false, encoding)) return nullptr;
                    p = LibraryReaders::SkipWhiteSpace(p + endTag.size(), encoding);
                    if (!p || *p != '>') return nullptr;
                    ++p;
                    state = State::EndOfElement;
                    break;
                }
                const NodeKind kind = Identify(p, encoding);
                if (kind == NodeKind::None) return nullptr;
                if (kind == NodeKind::Element) {
                    state = State::StartTag;
                    break;
                }
                p = ParseLeaf(kind, p, encoding, nullptr);
                contentStart_ = p;
                break;
            }
            case State::EndOfElement:
                endTags.pop_back();
                if (endTags.empty()) return p;
                contentStart_ = p;
                state = State::Content;
                break;
            }
            if (!p) return nullptr;
        }
    }

    // The attributes of a start tag up to its end: "/>" ends the element, ">" opens its
    // content. p is null where the parser would fail.
    State Attributes(const char*& p, TiXmlEncoding encoding)
    {
        for (;;) {
            p = LibraryReaders::SkipWhiteSpace(p, encoding);
            if (!p || !*p) break;
            if (*p == '/') {
                if (p[1] != '>') break;
                p += 2;
                return State::EndOfElement;
            }
            if (*p == '>') {
                ++p;
                contentStart_ = p;
                return State::Content;
            }
            TiXmlAttribute attribute;
            p = attribute.Parse(p, nullptr, encoding);
            if (!p || !*p) break;
        }
        p = nullptr;
        return State::EndOfElement;
    }

    const char* text_;
    std::size_t limit_;
    const char* contentStart_ = nullptr;
    XmlNesting result_;
};

}  // namespace

XmlNesting MeasureXmlNesting(const char* text, std::size_t limit)
{
    return Walk(text, limit).Document();
}

}  // namespace qz::engine
