#include "compare/Tcompareloader.h"

#include "ini/Tmeminifile.h"
#include "sys/Tlocalerules.h"

namespace {
constexpr const char* CompareFileType = "Vellumark Compare";
constexpr std::int32_t WrittenMajorVersion = 1;
constexpr std::int32_t WrittenMinorVersion = 0;

constexpr const char* AboutSection = "About";
constexpr const char* OptionsSection = "Options";

constexpr const char* FileTypeKey = "FileType";
constexpr const char* MajorVersionKey = "MajorVersion";
constexpr const char* MinorVersionKey = "MinorVersion";
constexpr const char* SrcDirKey = "SrcDir";
constexpr const char* DstDirKey = "DstDir";
constexpr const char* UseIncludeMasksKey = "UseIncludeMasks";
constexpr const char* IncludeMasksKey = "IncludeMasks";
constexpr const char* UseExcludeMasksKey = "UseExcludeMasks";
constexpr const char* ExcludeMasksKey = "ExcludeMasks";
constexpr const char* IncludeSubDirsKey = "IncludeSubDirs";
constexpr const char* FatPrecisionKey = "FatPrecision";
constexpr const char* ShowNotModifiedKey = "ShowNotModified";
constexpr const char* IgnoreHourShiftKey = "IgnoreHourShift";
constexpr const char* ShowDestinationOnlyKey = "ShowDestinationOnly";
constexpr const char* CompareContentsKey = "CompareContents";
}  // namespace

TCompareLoader::TCompareLoader() { Reset(); }

TCompareLoader::~TCompareLoader() = default;

void TCompareLoader::Reset()
{
    FileType = CompareFileType;
    MajorVersion = WrittenMajorVersion;
    MinorVersion = WrittenMinorVersion;
    Options = TCompareOptions();
}

void TCompareLoader::LoadFromFile(const std::string& fileName)
{
    const TMemIniFile document(fileName);
    Reset();
    ReadHeader(document);
    ReadOptions(document);
}

void TCompareLoader::SaveToFile(const std::string& fileName)
{
    // Opening reads an existing file first, so one that cannot be read is never overwritten.
    TMemIniFile document(fileName);
    document.Clear();
    WriteHeader(document);
    WriteOptions(document);
    document.UpdateFile();
}

bool TCompareLoader::IsSupported() const
{
    return TLocaleRules::ForThisThread().SameFileName(FileType, CompareFileType) &&
           (MajorVersion == 0 || MajorVersion == 1) && MinorVersion == 0;
}

void TCompareLoader::ReadHeader(const TMemIniFile& document)
{
    FileType = document.ReadString(AboutSection, FileTypeKey, "");
    MajorVersion = document.ReadInteger(AboutSection, MajorVersionKey, -1);
    MinorVersion = document.ReadInteger(AboutSection, MinorVersionKey, -1);
}

void TCompareLoader::WriteHeader(TMemIniFile& document) const
{
    document.WriteString(AboutSection, FileTypeKey, CompareFileType);
    document.WriteInteger(AboutSection, MajorVersionKey, WrittenMajorVersion);
    document.WriteInteger(AboutSection, MinorVersionKey, WrittenMinorVersion);
}

void TCompareLoader::ReadOptions(const TMemIniFile& document)
{
    const TCompareOptions defaults;
    TCompareOptions options;
    options.SrcDir = document.ReadString(OptionsSection, SrcDirKey, defaults.SrcDir);
    options.DstDir = document.ReadString(OptionsSection, DstDirKey, defaults.DstDir);
    options.UseIncludeMasks = document.ReadBool(OptionsSection, UseIncludeMasksKey, defaults.UseIncludeMasks);
    options.IncludeMasks = document.ReadString(OptionsSection, IncludeMasksKey, defaults.IncludeMasks);
    options.UseExcludeMasks = document.ReadBool(OptionsSection, UseExcludeMasksKey, defaults.UseExcludeMasks);
    options.ExcludeMasks = document.ReadString(OptionsSection, ExcludeMasksKey, defaults.ExcludeMasks);
    options.IncludeSubDirs = document.ReadBool(OptionsSection, IncludeSubDirsKey, defaults.IncludeSubDirs);
    options.FatPrecision = document.ReadBool(OptionsSection, FatPrecisionKey, defaults.FatPrecision);
    options.ShowNotModified = document.ReadBool(OptionsSection, ShowNotModifiedKey, defaults.ShowNotModified);
    options.IgnoreHourShift = document.ReadBool(OptionsSection, IgnoreHourShiftKey, defaults.IgnoreHourShift);
    options.ShowDestinationOnly =
        document.ReadBool(OptionsSection, ShowDestinationOnlyKey, defaults.ShowDestinationOnly);
    options.CompareContents = document.ReadBool(OptionsSection, CompareContentsKey, defaults.CompareContents);
    Options = options;
}

void TCompareLoader::WriteOptions(TMemIniFile& document) const
{
    document.WriteString(OptionsSection, SrcDirKey, Options.SrcDir);
    document.WriteString(OptionsSection, DstDirKey, Options.DstDir);
    document.WriteBool(OptionsSection, UseIncludeMasksKey, Options.UseIncludeMasks);
    document.WriteString(OptionsSection, IncludeMasksKey, Options.IncludeMasks);
    document.WriteBool(OptionsSection, UseExcludeMasksKey, Options.UseExcludeMasks);
    document.WriteString(OptionsSection, ExcludeMasksKey, Options.ExcludeMasks);
    document.WriteBool(OptionsSection, IncludeSubDirsKey, Options.IncludeSubDirs);
    document.WriteBool(OptionsSection, FatPrecisionKey, Options.FatPrecision);
    document.WriteBool(OptionsSection, ShowNotModifiedKey, Options.ShowNotModified);
    // Written only when on, so that a file without it is what every reader has always read.
    if (Options.IgnoreHourShift)
        document.WriteBool(OptionsSection, IgnoreHourShiftKey, true);
    if (Options.ShowDestinationOnly)
        document.WriteBool(OptionsSection, ShowDestinationOnlyKey, true);
    if (Options.CompareContents)
        document.WriteBool(OptionsSection, CompareContentsKey, true);
}
