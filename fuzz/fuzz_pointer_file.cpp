// The working-file pointer "~FREQ.~IG": its first line names the current list file.
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
    const std::string path = ScratchFolder() + "/" + kPointerFileName;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    const std::optional<std::string> pointed = ReadPointerFile(path);
    // One line: a lone CR may belong to a file name, a line feed may not.
    if (pointed) Require(!pointed->empty() && pointed->find('\n') == std::string::npos);
    const std::string defaultList = ScratchFolder() + "/" + kDefaultListName;
    const ListFileChoice choice = ChooseListFile(pointed, defaultList);
    Require(!choice.path.empty());
    Require(!choice.createDefault || choice.path == defaultList);
    (void)SignalListCaption(choice.path);
    (void)ForceSigExtension(choice.path);
    return 0;
}
