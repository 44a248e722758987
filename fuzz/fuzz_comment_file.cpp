// The comment chooser's file "~Freq.Cmt", read from disk as the signal list window reads it.
#include "fuzz_support.h"
#include "siglist_files.h"

ZARN_FUZZ_TARGET(text) {
    // Looked up without regard to case, as the program finds it.
    const std::vector<std::string> texts = ReadCommentFile(WriteScratch(kCommentFileName, text) + "/~FREQ.CMT");
    Require(texts.size() >= static_cast<std::size_t>(kCommentSlots));
    for (int clicked : {-1, 0, 19, 20}) {
        const int slot = CommentStoreSlot(texts, clicked);
        Require(slot >= 0 && slot < kCommentSlots);
    }
}
