#include "tarnwick/core/Variants.h"

#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace qz::core;
using qz::test::CoutCapture;

std::string Printed(const VariantCollection& collection, int mask)
{
    std::ostringstream stream;
    collection.Print(stream, mask);
    return stream.str();
}

std::vector<std::string> OrderOf(const VariantCollection& collection)
{
    std::vector<std::string> keys;
    for (const VariantCollectionItem* item : collection.InsertionOrder()) keys.push_back(item->key);
    return keys;
}

TEST(VariantCollection, AddingAnExistingKeyReplacesTheItemInPlace)
{
    int first = 1;
    int second = 2;
    float replacement = 3.5f;
    VariantCollection collection;
    collection.AddTypedItem("a", &first, "first a");
    collection.AddTypedItem("b", &second, "b");
    collection.AddTypedItem("a", &replacement, "second a", 4);
    EXPECT_EQ(2u, collection.Size());
    EXPECT_EQ((std::vector<std::string> {"a", "b"}), OrderOf(collection));
    EXPECT_EQ("second a: 3.500000\nb: 2\n", Printed(collection, 0));
    EXPECT_EQ(&replacement, collection["a"].Pointer());
    EXPECT_EQ(4u, collection.FindItem("a")->flags);
}

TEST(VariantCollection, ItemsAreVisitedInKeyOrderAndMayBeChanged)
{
    int b = 1;
    int a = 2;
    int c = 3;
    VariantCollection collection;
    collection.AddTypedItem("b", &b);
    collection.AddTypedItem("a", &a);
    collection.AddTypedItem("C", &c);
    std::string keys;
    collection.ForEachItem([&](VariantCollectionItem& item) {
        keys += item.key;
        item.value.As<int>() *= 10;
    });
    EXPECT_EQ("Cab", keys);
    EXPECT_EQ(20, a);
    EXPECT_EQ(30, c);
}

TEST(VariantCollection, MissingKeyIsAnError)
{
    CoutCapture console;
    VariantCollection collection;
    try {
        collection["nothing"];
        FAIL() << "no exception";
    } catch (const Exception& error) {
        const std::string text = error.what();
        EXPECT_NE(std::string::npos,
                  text.find("\nMethod: qz::core::UnorderedCollection<class std::basic_string<char,struct "
                            "std::char_traits<char>,class std::allocator<char> >,struct "
                            "qz::core::VariantCollectionItem>::operator []\nFile: \"core\\Variants\": "));
        EXPECT_NE(std::string::npos, text.find("\noperator[] is only allowed for existing variants"));
    }
}

TEST(VariantCollection, RemovingByPointerTakesOneAndTheSameItemFromMapAndOrder)
{
    int shared = 1;
    int other = 2;
    VariantCollection collection;
    // "z" comes first in insertion order, "a" first in key order; both are bound to shared.
    collection.AddTypedItem("z", &shared, "z");
    collection.AddTypedItem("m", &other, "m");
    collection.AddTypedItem("a", &shared, "a");
    collection.RemoveItem(&shared);
    EXPECT_EQ(2u, collection.Size());
    EXPECT_EQ(nullptr, collection.FindItem("z"));
    EXPECT_NE(nullptr, collection.FindItem("a"));
    EXPECT_EQ((std::vector<std::string> {"m", "a"}), OrderOf(collection));
    EXPECT_EQ("m: 2\na: 1\n", Printed(collection, 0));

    collection.RemoveItem(&shared);
    collection.RemoveItem(&shared);  // nothing bound any more
    EXPECT_EQ((std::vector<std::string> {"m"}), OrderOf(collection));
    EXPECT_EQ(1, shared);
}

TEST(VariantCollection, RemovingByKey)
{
    int a = 1;
    int b = 2;
    VariantCollection collection;
    collection.AddTypedItem("a", &a, "a");
    collection.AddTypedItem("b", &b, "b");
    collection.RemoveItem("a");
    collection.RemoveItem(std::string("missing"));
    EXPECT_EQ((std::vector<std::string> {"b"}), OrderOf(collection));
    EXPECT_EQ("b: 2\n", Printed(collection, 0));
}

TEST(VariantCollection, CopiesKeepTheOrderAndTheStorage)
{
    int b = 1;
    int a = 2;
    VariantCollection original;
    original.AddTypedItem("b", &b, "bee");
    original.AddTypedItem("a", &a, "ay");
    VariantCollection copy(original);
    original.RemoveItem("b");
    EXPECT_EQ((std::vector<std::string> {"b", "a"}), OrderOf(copy));
    copy["b"].As<int>() = 5;
    EXPECT_EQ(5, b);
    for (const VariantCollectionItem* item : copy.InsertionOrder()) EXPECT_EQ(item, copy.FindItem(item->key));

    VariantCollection assigned;
    assigned = copy;
    EXPECT_EQ("bee: 5\nay: 2\n", Printed(assigned, 0));
}

TEST(VariantCollection, PrintLeavesOutMaskedAndUndescribedItems)
{
    int shown = 1;
    int hidden = 2;
    int partly = 3;
    int silent = 4;
    VariantCollection collection;
    collection.AddTypedItem("shown", &shown, "Shown", 0);
    collection.AddTypedItem("hidden", &hidden, "Hidden", 1);
    collection.AddTypedItem("partly", &partly, "Partly", 2);
    collection.AddTypedItem("silent", &silent, "", 0);
    EXPECT_EQ("Shown: 1\nPartly: 3\n", Printed(collection, 1));
    EXPECT_EQ("Shown: 1\nHidden: 2\nPartly: 3\n", Printed(collection, 0));
    EXPECT_EQ("Shown: 1\nHidden: 2\nPartly: 3\n", Printed(collection, 3)) << "only items with every bit are left out";
}

TEST(VariantCollection, PrintUsesTheItemsPrinter)
{
    std::int64_t bytes = 3145727;
    VariantCollection collection;
    collection.AddTypedItem("memory", &bytes, "Memory", 0, MebibytePrinter);
    EXPECT_EQ("Memory: 2 MiB\n", Printed(collection, 0));
}

TEST(MebibytePrinter, TruncatesTowardsZero)
{
    const auto print = [](std::int64_t value) {
        std::ostringstream stream;
        MebibytePrinter(stream, VariantEncapsulation::Of(value));
        return stream.str();
    };
    EXPECT_EQ("0 MiB", print(0));
    EXPECT_EQ("0 MiB", print(1048575));
    EXPECT_EQ("0 MiB", print(-1048575));
    EXPECT_EQ("1 MiB", print(1048576));
    EXPECT_EQ("-1 MiB", print(-1048576));
    EXPECT_EQ("2 MiB", print(3145727));

    CoutCapture console;
    int narrow = 5;
    std::ostringstream stream;
    EXPECT_THROW(MebibytePrinter(stream, VariantEncapsulation::Of(narrow)), Exception);
}

}  // namespace
