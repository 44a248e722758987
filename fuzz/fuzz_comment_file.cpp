// The comment chooser's file "~Freq.Cmt", read from disk as the signal list window reads it.
#include "fuzz_support.h"
#include "siglist_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace zarn;
using zarn_fuzz::Require;
using zarn_fuzz::ScratchFolder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchFolder() + "/" + kCommentFileName;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    // Looked up without regard to case, as the program finds it.
    const std::vector<std::string> texts = ReadCommentFile(ScratchFolder() + "/~FREQ.CMT");
    Require(texts.size() >= static_cast<std::size_t>(kCommentSlots));
    for (int clicked : {-1, 0, 19, 20}) {
        const int slot = CommentStoreSlot(texts, clicked);
        Require(slot >= 0 && slot < kCommentSlots);
    }
    return 0;
}
