#include "siglist_files.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;

Lines Padded(Lines texts) {
    while (texts.size() < 20)
        texts.emplace_back("Unused");
    return texts;
}

TEST(CommentFile, ReadRules) {
    test::TempDir dir;
    EXPECT_EQ(ReadCommentFile(dir.file("~Freq.Cmt")), Padded({}));

    dir.write("~Freq.Cmt", "Net 1\r\nNet 2\r\n");
    EXPECT_EQ(ReadCommentFile(dir.file("~Freq.Cmt")), Padded({})) << "no marker line";

    dir.write("~Freq.Cmt", "junk\r\n[Signal List Comments]\r\nNet 1\r\n\r\nNet, 3\n");
    EXPECT_EQ(ReadCommentFile(dir.file("~Freq.Cmt")), Padded({"Net 1", "", "Net, 3"}));

    Lines many;
    std::string text = "[Signal List Comments]\r\n";
    for (int i = 0; i < 25; ++i) {
        many.push_back("c" + std::to_string(i));
        text += many.back() + "\r\n";
    }
    dir.write("~Freq.Cmt", text);
    EXPECT_EQ(ReadCommentFile(dir.file("~Freq.Cmt")), many) << "more than 20 are all kept";
}

TEST(CommentFile, FoundWhateverTheCaseAndRewrittenInPlace) {
    test::TempDir dir;
    dir.write("~FREQ.CMT", "[Signal List Comments]\r\nNet 1\r\n");
    EXPECT_EQ(ReadCommentFile(dir.file("~Freq.Cmt")), Padded({"Net 1"}));

    Lines texts = Padded({"Net 1", "Net 2"});
    ASSERT_TRUE(WriteCommentFile(dir.file("~Freq.Cmt"), texts));
    std::string expected = "[Signal List Comments]\r\n";
    for (const auto& t : texts)
        expected += t + "\r\n";
    EXPECT_EQ(test::TempDir::read(dir.file("~FREQ.CMT")), expected);
    EXPECT_EQ(ReadCommentFile(dir.file("~Freq.Cmt")), texts);
}

TEST(CommentFile, StoreSlot) {
    Lines texts = Padded({"a", "b", "c"});
    EXPECT_EQ(CommentStoreSlot(texts, 7), 7);
    EXPECT_EQ(CommentStoreSlot(texts, 0), 0);
    EXPECT_EQ(CommentStoreSlot(texts, -1), 3);
    EXPECT_EQ(CommentStoreSlot(texts, 20), 3);
    for (auto& t : texts)
        t = "used";
    EXPECT_EQ(CommentStoreSlot(texts, -1), 19);
}

TEST(PointerFile, FirstLineTrimmedAndRelativeToItsFolder) {
    test::TempDir dir;
    const std::string pointer = dir.file("~FREQ.~IG");
    EXPECT_FALSE(ReadPointerFile(pointer));

    dir.write("~FREQ.~IG", "");
    EXPECT_FALSE(ReadPointerFile(pointer));
    dir.write("~FREQ.~IG", " \t\r\nsecond\r\n");
    EXPECT_FALSE(ReadPointerFile(pointer));

    dir.write("~FREQ.~IG", "/data/lists/NET.SIG \t\r\nsecond line\r\n");
    EXPECT_EQ(ReadPointerFile(pointer), "/data/lists/NET.SIG");
    dir.write("~FREQ.~IG", "lists/NET.SIG");
    EXPECT_EQ(ReadPointerFile(pointer), dir.path() + "/lists/NET.SIG");

    ASSERT_TRUE(WritePointerFile(pointer, "/data/My Lists/a.SIG"));
    EXPECT_EQ(test::TempDir::read(pointer), "/data/My Lists/a.SIG\r\n");
    EXPECT_EQ(ReadPointerFile(pointer), "/data/My Lists/a.SIG");
}

TEST(ChooseListFile, PointedFileElseTheDefaultWhichIsNeverEmptied) {
    test::TempDir dir;
    const std::string def = dir.file("~FREQ.SIG");
    const std::string net = dir.write("NET.SIG", "x");

    ListFileChoice c = ChooseListFile(net, def);
    EXPECT_EQ(c.path, net);
    EXPECT_FALSE(c.createDefault);

    c = ChooseListFile(dir.file("net.sig"), def);
    EXPECT_EQ(c.path, net) << "a pointer may differ in case from the file";

    c = ChooseListFile(dir.file("GONE.SIG"), def);
    EXPECT_EQ(c.path, def);
    EXPECT_TRUE(c.createDefault);
    c = ChooseListFile(std::nullopt, def);
    EXPECT_EQ(c.path, def);
    EXPECT_TRUE(c.createDefault);

    dir.write("~FREQ.SIG", "kept");
    c = ChooseListFile(dir.file("GONE.SIG"), def);
    EXPECT_EQ(c.path, def);
    EXPECT_FALSE(c.createDefault);

    // A folder of the pointed name is no list file.
    ASSERT_EQ(mkdir(dir.file("DIR.SIG").c_str(), 0755), 0);
    EXPECT_EQ(ChooseListFile(dir.file("DIR.SIG"), def).path, def);
}

TEST(ForceSigExtension, Table) {
    const std::pair<const char*, const char*> cases[] = {
        {"list.txt", "list.SIG"},
        {"C:\\data\\net", "C:\\data\\net.SIG"},
        {"a.b.c", "a.b.SIG"},
        {"/home/op/data.d/net", "/home/op/data.d/net.SIG"},
        {"/home/op/net.sig", "/home/op/net.SIG"},
        {"/home/op/net.", "/home/op/net.SIG"},
        {"C:net", "C:net.SIG"},
        {"net", "net"},
        {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ForceSigExtension(in), out) << in;
}

TEST(SignalListCaption, FileNameInLowerCase) {
    EXPECT_EQ(SignalListCaption("/home/op/Lists/NET 4.SIG"), "SIGNAL LIST - [net 4.sig]");
    EXPECT_EQ(SignalListCaption("C:\\DATA\\~FREQ.SIG"), "SIGNAL LIST - [~freq.sig]");
    EXPECT_EQ(SignalListCaption("\xc9T\xc9.SIG"), "SIGNAL LIST - [\xc9t\xc9.sig]");
}

} // namespace
} // namespace zarn
