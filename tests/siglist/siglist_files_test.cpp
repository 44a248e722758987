#include "siglist_files.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;
using test::TempDir;

Lines Padded(Lines texts) {
    texts.resize(std::max<std::size_t>(texts.size(), 20), "Unused");
    return texts;
}

// The comment file is found whatever the case of its name, read after its marker line (20 texts at
// least, more all kept), and written back in place.
TEST(CommentFile, ReadWriteAndStoreSlot) {
    TempDir dir;
    const std::string path = dir.file("~Freq.Cmt");
    Lines many;
    std::string text = "[Signal List Comments]\r\n";
    for (int i = 0; i < 25; ++i)
        text += (many.emplace_back("c" + std::to_string(i))) + "\r\n";
    const std::pair<std::string, Lines> cases[] = {
        {"Net 1\r\nNet 2\r\n", Padded({})}, // no marker line
        {"junk\r\n[Signal List Comments]\r\nNet 1\r\n\r\nNet, 3\n", Padded({"Net 1", "", "Net, 3"})},
        {text, many},
    };
    EXPECT_EQ(ReadCommentFile(path), Padded({}));
    for (const auto& [content, texts] : cases) {
        dir.write("~FREQ.CMT", content);
        EXPECT_EQ(ReadCommentFile(path), texts) << content;
    }
    const Lines written = Padded({"Net 1", "Net 2"});
    ASSERT_TRUE(WriteCommentFile(path, written));
    std::string expected = "[Signal List Comments]\r\n";
    for (const auto& t : written)
        expected += t + "\r\n";
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.CMT")), expected);

    Lines slots = Padded({"a", "b", "c"});
    EXPECT_EQ(CommentStoreSlot(slots, 7), 7);
    EXPECT_EQ(CommentStoreSlot(slots, 0), 0);
    EXPECT_EQ(CommentStoreSlot(slots, -1), 3);
    EXPECT_EQ(CommentStoreSlot(slots, 20), 3);
    slots.assign(20, "used");
    EXPECT_EQ(CommentStoreSlot(slots, -1), 19);
}

TEST(PointerFile, FirstLineTrimmedAndRelativeToItsFolder) {
    TempDir dir;
    const std::string pointer = dir.file("~FREQ.~IG");
    EXPECT_FALSE(ReadPointerFile(pointer));
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"", std::nullopt},
        {" \t\r\nsecond\r\n", std::nullopt},
        {"/data/lists/NET.SIG \t\r\nsecond line\r\n", "/data/lists/NET.SIG"},
        {"lists/NET.SIG", dir.path() + "/lists/NET.SIG"},
    };
    for (const auto& [content, path] : cases) {
        dir.write("~FREQ.~IG", content);
        EXPECT_EQ(ReadPointerFile(pointer), path) << content;
    }
    ASSERT_TRUE(WritePointerFile(pointer, "/data/My Lists/a.SIG"));
    EXPECT_EQ(TempDir::read(pointer), "/data/My Lists/a.SIG\r\n");
}

// The pointed file if it is there (in any case), else the default, which is made only when missing.
TEST(ChooseListFile, PointedFileElseTheDefaultWhichIsNeverEmptied) {
    TempDir dir;
    const std::string def = dir.file("~FREQ.SIG"), net = dir.write("NET.SIG", "x");
    std::filesystem::create_directory(dir.file("DIR.SIG"));
    const auto choice = [&](std::optional<std::string> pointed) {
        const ListFileChoice c = ChooseListFile(pointed, def);
        return c.path + (c.createDefault ? " +" : "");
    };
    EXPECT_EQ(choice(net), net);
    EXPECT_EQ(choice(dir.file("net.sig")), net);
    EXPECT_EQ(choice(dir.file("GONE.SIG")), def + " +");
    EXPECT_EQ(choice(std::nullopt), def + " +");
    EXPECT_EQ(choice(dir.file("DIR.SIG")), def + " +"); // a folder is no list file
    dir.write("~FREQ.SIG", "kept");
    EXPECT_EQ(choice(dir.file("GONE.SIG")), def);
}

TEST(SignalListNames, SigExtensionAndCaption) {
    const std::pair<const char*, const char*> cases[] = {
        {"list.txt", "list.SIG"},   {"C:\\data\\net", "C:\\data\\net.SIG"}, {"a.b.c", "a.b.SIG"},
        {"/home/op/data.d/net", "/home/op/data.d/net.SIG"},  {"/home/op/net.", "/home/op/net.SIG"},
        {"C:net", "C:net.SIG"},     {"net", "net"},                            {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ForceSigExtension(in), out) << in;
    EXPECT_EQ(SignalListCaption("/home/op/Lists/NET 4.SIG"), "SIGNAL LIST - [net 4.sig]");
    EXPECT_EQ(SignalListCaption("C:\\DATA\\~FREQ.SIG"), "SIGNAL LIST - [~freq.sig]");
    EXPECT_EQ(SignalListCaption("\xc9T\xc9.SIG"), "SIGNAL LIST - [\xc9t\xc9.sig]");
}

} // namespace
} // namespace zarn
