// The working-file pointer "~FREQ.~IG": its first line names the current list file.
#include "fuzz_support.h"
#include "siglist_files.h"

ZARN_FUZZ_TARGET(text) {
    const std::string folder = WriteScratch(kPointerFileName, text);
    const std::optional<std::string> pointed = ReadPointerFile(folder + "/" + kPointerFileName);
    // One line: a lone CR may belong to a file name, a line feed may not.
    if (pointed) Require(!pointed->empty() && pointed->find('\n') == std::string::npos);
    const std::string defaultList = folder + "/" + kDefaultListName;
    const ListFileChoice choice = ChooseListFile(pointed, defaultList);
    Require(!choice.path.empty());
    Require(!choice.createDefault || choice.path == defaultList);
    (void)SignalListCaption(choice.path);
    (void)ForceSigExtension(choice.path);
}
