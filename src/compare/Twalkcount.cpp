#include "compare/Twalkcount.h"

#include "sys/Mysysutils.h"

std::string TWalkCount::Text() const
{
    const std::int64_t folders = FolderCount();
    if (folders == 0)
        return {};
    const std::int64_t files = FileCount();
    return GroupDigits(std::to_string(files)) + (files == 1 ? " file in " : " files in ") +
           GroupDigits(std::to_string(folders)) + (folders == 1 ? " folder seen" : " folders seen") +
           (ContentByteCount() > 0 ? "\n" + ContentText() + " of contents compared" : std::string());
}

std::string TWalkCount::ContentText() const
{
    const std::int64_t bytes = ContentByteCount();
    if (bytes == 0)
        return {};
    return SizeText(ComparedByteCount()) + " of " + SizeText(bytes);
}
