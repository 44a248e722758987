// The comment chooser's file "~Freq.Cmt", read from disk as the signal list window reads it.
#include "fuzz_support.h"
#include "siglist_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace zarn;
using zarn_fuzz::Require;

namespace {

char gFolder[] = "/tmp/zarn-fuzz-cmt-XXXXXX";

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(gFolder, ignored);
}

// A folder of this process's own, removed when the run ends.
std::string Folder() {
    static const bool made = [] {
        if (!mkdtemp(gFolder)) std::abort();
        std::atexit(RemoveFolder);
        return true;
    }();
    (void)made;
    return gFolder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = Folder() + "/" + kCommentFileName;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    // Looked up without regard to case, as the program finds it.
    const std::vector<std::string> texts = ReadCommentFile(Folder() + "/~FREQ.CMT");
    Require(texts.size() >= static_cast<std::size_t>(kCommentSlots));
    for (int clicked : {-1, 0, 19, 20}) {
        const int slot = CommentStoreSlot(texts, clicked);
        Require(slot >= 0 && slot < kCommentSlots);
    }
    return 0;
}
