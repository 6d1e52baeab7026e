#include "tarnwick/core/Variants.h"

#include "tests/support/OutputCapture.h"
#include "tests/support/ErrorReports.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstring>
#include <memory>

namespace {

using namespace qz::core;
using qz::test::CoutCapture;
using qz::test::ErrorText;

struct Values {
    int levels = 6;
    float radius = 0.5f;
    bool foam = true;
    std::string name = "particles";
    FloatVec3 light {0, 1, 0};
    Int32Vec2 resolution {1280, 720};
    std::uint8_t byte = 200;
    double scale = 0.25;
    std::int8_t i8 = -5;
    std::uint16_t u16 = 65000;
    std::int64_t i64 = -1234567890123;
    VariantCollection collection;

    Values()
    {
        collection.AddTypedItem("levels", &levels);
        collection.AddTypedItem("radius", &radius);
        collection.AddTypedItem("foam", &foam);
        collection.AddTypedItem("name", &name);
        collection.AddTypedItem("light", &light);
        collection.AddTypedItem("resolution", &resolution);
        collection.AddTypedItem("byte", &byte);
        collection.AddTypedItem("scale", &scale);
    }
    void AddIntegers()
    {
        collection.AddTypedItem("I8", &i8);
        collection.AddTypedItem("u16", &u16);
        collection.AddTypedItem("i64", &i64);
    }
};

std::string Xml(const TiXmlNode& node)
{
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    return printer.Str();
}

TEST(VariantXml, OneElementPerItemInByteOrderOfKeysAndBack)
{
    Values written;
    written.collection.AddTypedItem("B", &written.levels);
    TiXmlElement parent("group");
    written.collection.SaveToXML(&parent);
    EXPECT_EQ("<group><B typeid=\"2\" value=\"6\" /><byte typeid=\"10\" value=\"200\" /><foam typeid=\"30\" value=\"true\" />"
              "<levels typeid=\"2\" value=\"6\" /><light typeid=\"875567318\" value=\"[0.000000, 1.000000, 0.000000]\" />"
              "<name typeid=\"100\" value=\"particles\" /><radius typeid=\"20\" value=\"0.500000\" />"
              "<resolution typeid=\"1584490197\" value=\"[1280, 720]\" /><scale typeid=\"21\" value=\"0.250000\" /></group>",
              Xml(parent));

    Values read;
    read.levels = -3;
    read.radius = 1.25f;
    read.foam = false;
    read.name = "other";
    read.light = FloatVec3(0.5f, -1, 2);
    read.resolution = Int32Vec2(640, 480);
    read.byte = 7;
    read.scale = 1e-7;
    CoutCapture console;
    read.collection.LoadFromXML(&parent);
    EXPECT_EQ("", console.Text());
    read.collection.AddTypedItem("B", &read.levels);
    TiXmlElement again("group");
    read.collection.SaveToXML(&again);
    EXPECT_EQ(Xml(parent), Xml(again)) << "every value came back";
}

TEST(VariantXml, MismatchesUnknownChildrenAndMissingAttributes)
{
    Values values;
    TiXmlDocument document;
    document.Parse("<g><levels typeid=\"12\" value=\"9\"/><radius typeid=\"x\" value=\"2\"/><unknown typeid=\"2\" value=\"1\"/>"
                   "<light typeid=\"875567313\" value=\"[1, 1, 1]\"/><foam typeid=\"30\" value=\"false\"/>"
                   "<scale typeid=\"21\"/><!-- note --><name typeid=\"100\" value=\"  a b\"/><byte value=\"12px\"/></g>");
    ASSERT_FALSE(document.Error());
    CoutCapture console;
    values.collection.LoadFromXML(document.RootElement());
    EXPECT_EQ(6, values.levels);
    EXPECT_EQ(0.5f, values.radius);
    EXPECT_EQ(FloatVec3(0, 1, 0), values.light);
    EXPECT_FALSE(values.foam) << "reading goes on after a mismatch";
    EXPECT_EQ(0.25, values.scale) << "no value attribute leaves the item";
    EXPECT_EQ("a", values.name);
    EXPECT_EQ(12, values.byte) << "a child without typeid is read by the item's type";
    EXPECT_EQ(8u, values.collection.Size()) << "the collection never grows from a file";
    const std::string warning = "WARNING: VariantCollection::LoadFromXML: Type of variant ";
    EXPECT_EQ(warning + "levels does not match the type declared in XML; ignoring\n" + warning +
                  "radius does not match the type declared in XML; ignoring\n" + warning +
                  "light does not match the type declared in XML; ignoring\n",
              console.Text());
}

std::string Stream(const VariantCollection& collection)
{
    void* buffer = nullptr;
    std::size_t size = 99;
    collection.SaveToBinaryKeyValue(buffer, size);
    const std::string bytes(static_cast<const char*>(buffer), size);
    ::operator delete(buffer);
    return bytes;
}

std::string Element(const std::string& key, std::uint32_t type, const std::string& value)
{
    return key + std::string(1, '\0') + std::string(reinterpret_cast<const char*>(&type), 4) + value;
}

// Loads from a buffer of exactly the bytes' size, so that ASan sees any overrun.
std::string Load(VariantCollection& collection, const std::string& bytes)
{
    const std::unique_ptr<char[]> exact(new char[bytes.size()]);
    std::memcpy(exact.get(), bytes.data(), bytes.size());
    return ErrorText([&] { collection.LoadFromBinaryKeyValue(exact.get(), bytes.size()); });
}

TEST(BinaryStream, ExactBytesAndEveryTypeBack)
{
    int x = 1;
    bool y = true;
    VariantCollection small;
    small.AddTypedItem("y", &y);
    small.AddTypedItem("x", &x);
    EXPECT_EQ(Element("x", 2, std::string("\1\0\0\0", 4)) + Element("y", 10, "\1"), Stream(small));
    EXPECT_EQ("", Stream(VariantCollection()));
    EXPECT_EQ("", Load(small, ""));

    Values written;
    written.AddIntegers();
    const std::string bytes = Stream(written.collection);
    EXPECT_EQ(0u, bytes.find(Element("I8", 0, "\xFB")));
    EXPECT_NE(std::string::npos, bytes.find(Element("name", 11, std::string("particles\0", 10))));
    Values read;
    read.AddIntegers();
    read.levels = read.i8 = read.u16 = read.i64 = read.byte = 0;
    read.radius = read.scale = 0;
    read.foam = false;
    read.name.clear();
    read.light = FloatVec3();
    read.resolution = Int32Vec2();
    EXPECT_EQ("", Load(read.collection, bytes));
    EXPECT_EQ(Stream(written.collection), Stream(read.collection));
}

TEST(BinaryStream, ElementsOfOtherKeysOrTypesAreSkipped)
{
    int x = 0;
    std::string s = "keep";
    bool flag = false;
    VariantCollection reader;
    reader.AddTypedItem("x", &x);
    reader.AddTypedItem("s", &s);
    reader.AddTypedItem("f", &flag);
    EXPECT_EQ("", Load(reader, Element("s", 2, "abcd") + Element("other", 11, std::string("text\0", 5)) +
                                   Element("zz", 9, std::string(8, '\1')) + Element("f", 10, "\x7F") +
                                   Element("x", 2, std::string("\x2A\0\0\0", 4))));
    EXPECT_EQ(42, x);
    EXPECT_EQ("keep", s);
    EXPECT_TRUE(flag) << "any byte but 0 is true";
    EXPECT_EQ("", Load(reader, Element("f", 10, std::string(1, '\0'))));
    EXPECT_FALSE(flag);
}

TEST(BinaryStream, DamagedStreamsKeepTheEarlierElements)
{
    const std::string stop = ". Cannot restore the rest of the collection.";
    const std::string a = Element("a", 2, std::string("\1\0\0\0", 4));
    const std::string v = Element("v", 12, std::string("\xD6\x18\x30\x34", 4) + std::string(12, '\0'));
    struct Case {
        const char* name;
        std::string bytes;
        std::string error;  // the end of the report
    };
    const Case cases[] = {
        {"key without its end", a + "vv", "ends inside the element \"vv\"" + stop},
        {"type index cut", a + "v" + std::string("\0\x0C\0", 3), "ends inside the element \"v\"" + stop},
        {"number cut", a + Element("i", 2, "\1\2"), "ends inside the element \"i\"" + stop},
        {"skipped number cut", a + Element("q", 3, "\1\2"), "ends inside the element \"q\"" + stop},
        {"string without its end", a + Element("s", 11, "abc"), "ends inside the element \"s\"" + stop},
        {"skipped string without its end", a + Element("q", 11, "abc"), "ends inside the element \"q\"" + stop},
        {"class cut", a + v.substr(0, v.size() - 1), "ends inside the element \"v\"" + stop},
        {"bool missing", a + Element("b", 10, ""), "ends inside the element \"b\"" + stop},
        {"class of another type", a + Element("v", 12, std::string("\xD5\x66\x71\x5E", 4) + std::string(12, '\0')),
         "element \"v\" holds the class type id 1584490197 instead of 875567318" + stop},
        {"unknown size", a + Element("u", 12, std::string(16, '\0')) + a,
         "contains an unknown element of unknown size: \"u\". Cannot restore the rest of the collecion."},
        {"unknown type", a + Element("u", 77, "x"), "contains an unknown element of unknown size: \"u\". Cannot restore the rest of the collecion."},
    };
    CoutCapture console;
    for (const Case& c : cases) {
        int read = 0, i = 7;
        std::string s = "old";
        bool b = true;
        FloatVec3 vector(9, 9, 9);
        VariantCollection collection;
        collection.AddTypedItem("a", &read);
        collection.AddTypedItem("i", &i);
        collection.AddTypedItem("s", &s);
        collection.AddTypedItem("b", &b);
        collection.AddTypedItem("v", &vector);
        EXPECT_EQ("qz::core::VariantCollection::LoadFromBinaryKeyValue|core\\Variants|Binary stream " + c.error,
                  qz::test::ReportParts(Load(collection, c.bytes))) << c.name;
        EXPECT_EQ(1, read) << c.name;
        EXPECT_TRUE(i == 7 && s == "old" && b && vector == FloatVec3(9, 9, 9)) << c.name;
    }
}

}  // namespace
