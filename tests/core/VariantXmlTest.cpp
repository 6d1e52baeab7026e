#include "tarnwick/core/Variants.h"

#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

namespace {

using namespace qz::core;
using qz::test::CoutCapture;

std::string Xml(const TiXmlNode& node)
{
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    node.Accept(&printer);
    return printer.Str();
}

TiXmlElement Parse(const std::string& text)
{
    TiXmlDocument document;
    document.Parse(text.c_str());
    EXPECT_FALSE(document.Error()) << document.ErrorDesc();
    return document.RootElement() ? *document.RootElement() : TiXmlElement("none");
}

struct Values {
    int levels = 6;
    float radius = 0.5f;
    bool foam = true;
    std::string name = "particles";
    FloatVec3 light {0, 1, 0};
    Int32Vec2 resolution {1280, 720};
    std::uint8_t byte = 200;
    double scale = 0.25;

    void AddTo(VariantCollection& collection)
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
};

TEST(VariantXml, OneElementPerItemInKeyOrder)
{
    Values values;
    VariantCollection collection;
    values.AddTo(collection);
    TiXmlElement parent("group");
    collection.SaveToXML(&parent);
    EXPECT_EQ("<group>"
              "<byte typeid=\"10\" value=\"200\" />"
              "<foam typeid=\"30\" value=\"true\" />"
              "<levels typeid=\"2\" value=\"6\" />"
              "<light typeid=\"875567318\" value=\"[0.000000, 1.000000, 0.000000]\" />"
              "<name typeid=\"100\" value=\"particles\" />"
              "<radius typeid=\"20\" value=\"0.500000\" />"
              "<resolution typeid=\"1584490197\" value=\"[1280, 720]\" />"
              "<scale typeid=\"21\" value=\"0.250000\" />"
              "</group>",
              Xml(parent));
}

TEST(VariantXml, KeysAreWrittenInByteOrder)
{
    int b = 1, a = 2, c = 3;
    VariantCollection collection;
    collection.AddTypedItem("a", &a);
    collection.AddTypedItem("B", &b);
    collection.AddTypedItem("C", &c);
    TiXmlElement parent("p");
    collection.SaveToXML(&parent);
    EXPECT_EQ("<p><B typeid=\"2\" value=\"1\" /><C typeid=\"2\" value=\"3\" /><a typeid=\"2\" value=\"2\" /></p>",
              Xml(parent));
}

TEST(VariantXml, RoundTripGivesTheSameValues)
{
    Values written;
    written.levels = -3;
    written.radius = 1.25f;
    written.foam = false;
    written.name = "other";
    written.light = FloatVec3(0.5f, -1, 2);
    written.resolution = Int32Vec2(640, 480);
    written.byte = 7;
    written.scale = 1e-7;
    VariantCollection writer;
    written.AddTo(writer);
    TiXmlElement parent("group");
    writer.SaveToXML(&parent);

    Values read;
    VariantCollection reader;
    read.AddTo(reader);
    CoutCapture console;
    reader.LoadFromXML(&parent);
    EXPECT_EQ("", console.Text());
    EXPECT_EQ(-3, read.levels);
    EXPECT_EQ(1.25f, read.radius);
    EXPECT_FALSE(read.foam);
    EXPECT_EQ("other", read.name);
    EXPECT_EQ(FloatVec3(0.5f, -1, 2), read.light);
    EXPECT_EQ(Int32Vec2(640, 480), read.resolution);
    EXPECT_EQ(7, read.byte);
    EXPECT_EQ(0.0, read.scale) << "six decimals only";
}

TEST(VariantXml, TypeMismatchIsIgnoredWithAWarning)
{
    Values values;
    VariantCollection collection;
    values.AddTo(collection);
    const TiXmlElement element = Parse("<g><levels typeid=\"12\" value=\"9\"/><radius typeid=\"x\" value=\"2\"/>"
                                       "<light typeid=\"875567313\" value=\"[1, 1, 1]\"/><foam typeid=\"30\" value=\"false\"/></g>");
    CoutCapture console;
    collection.LoadFromXML(&element);
    EXPECT_EQ(6, values.levels);
    EXPECT_EQ(0.5f, values.radius);
    EXPECT_EQ(FloatVec3(0, 1, 0), values.light);
    EXPECT_FALSE(values.foam) << "reading goes on after a mismatch";
    EXPECT_EQ("WARNING: VariantCollection::LoadFromXML: Type of variant levels does not match the type declared in XML; ignoring\n"
              "WARNING: VariantCollection::LoadFromXML: Type of variant radius does not match the type declared in XML; ignoring\n"
              "WARNING: VariantCollection::LoadFromXML: Type of variant light does not match the type declared in XML; ignoring\n",
              console.Text());
}

TEST(VariantXml, UnknownChildrenAndMissingAttributes)
{
    Values values;
    VariantCollection collection;
    values.AddTo(collection);
    const TiXmlElement element = Parse("<g><unknown typeid=\"2\" value=\"1\"/><levels value=\"11\"/>"
                                       "<radius typeid=\"20\"/><!-- note --><name typeid=\"100\" value=\"  a b\"/>"
                                       "<levels typeid=\"2\" value=\"12px\"/></g>");
    CoutCapture console;
    collection.LoadFromXML(&element);
    EXPECT_EQ("", console.Text());
    EXPECT_EQ(12, values.levels) << "a child without typeid is read by the item's type; later children win";
    EXPECT_EQ(0.5f, values.radius) << "no value attribute leaves the item";
    EXPECT_EQ("a", values.name);
    EXPECT_EQ(8u, collection.Size()) << "the collection never grows from a file";
}

}  // namespace
