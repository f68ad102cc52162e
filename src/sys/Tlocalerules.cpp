#include "sys/Tlocalerules.h"

#include <cstdlib>
#include <stdexcept>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ucasemap.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

namespace {
std::string IcuLocaleId(const std::string& posixName)
{
    // "de_DE.UTF-8@euro" -> "de_DE"
    const std::size_t end = posixName.find_first_of(".@");
    std::string id = posixName.substr(0, end);
    return id == "C" || id == "POSIX" ? std::string() : id;
}

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}
}  // namespace

std::string EnvironmentLocaleName(const char* category)
{
    for (const char* variable : {"LC_ALL", category, "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return IcuLocaleId(value);
    }
    return {};
}

struct TLocaleRules::TImpl {
    icu::Locale Locale;
    std::unique_ptr<icu::Collator> Collator;
    UCaseMap* CaseMap = nullptr;
    // Languages whose lower-casing of ASCII letters differs from plain ASCII (dotless i).
    bool AsciiLowersPlainly = true;

    explicit TImpl(const std::string& id) : Locale(id.c_str())
    {
        UErrorCode status = U_ZERO_ERROR;
        Collator.reset(icu::Collator::createInstance(Locale, status));
        if (U_FAILURE(status))
            throw std::runtime_error("The collation of the locale cannot be loaded: " + id);
        status = U_ZERO_ERROR;
        CaseMap = ucasemap_open(id.c_str(), 0, &status);
        if (U_FAILURE(status))
            throw std::runtime_error("The case rules of the locale cannot be loaded: " + id);
        const std::string language = Locale.getLanguage();
        AsciiLowersPlainly = language != "tr" && language != "az";
    }
    ~TImpl() { ucasemap_close(CaseMap); }
    // Room reused by the keys this object makes.
    std::string LowerText;
    std::u16string Utf16Text;
    TImpl(const TImpl&) = delete;
    TImpl& operator=(const TImpl&) = delete;
};

TLocaleRules::TLocaleRules() : TLocaleRules(EnvironmentLocaleName("LC_COLLATE")) {}

TLocaleRules::TLocaleRules(const std::string& localeName) : Impl(std::make_unique<TImpl>(IcuLocaleId(localeName))) {}

TLocaleRules::~TLocaleRules() = default;

std::string TLocaleRules::Lower(std::string_view text) const
{
    std::string lower;
    LowerInto(text, lower);
    return lower;
}

void TLocaleRules::LowerInto(std::string_view text, std::string& lower) const
{
    if (Impl->AsciiLowersPlainly && IsAscii(text)) {
        lower.assign(text);
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return;
    }
    // ICU copies ill-formed UTF-8 through unchanged.
    lower.resize(text.size() + text.size() / 2 + 4);
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = ucasemap_utf8ToLower(Impl->CaseMap, lower.data(), static_cast<int32_t>(lower.size()),
                                                    text.data(), static_cast<int32_t>(text.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            lower.resize(static_cast<std::size_t>(length) + 1);
            continue;
        }
        if (U_FAILURE(status)) {
            lower.assign(text);
            return;
        }
        lower.resize(static_cast<std::size_t>(length));
        return;
    }
}

std::string TLocaleRules::SortKey(std::string_view text) const
{
    std::string key;
    AppendSortKey(text, key);
    return key;
}

void TLocaleRules::AppendSortKey(std::string_view text, std::string& key) const
{
    std::u16string& unicode = Impl->Utf16Text;
    if (Impl->AsciiLowersPlainly && IsAscii(text)) {
        unicode.resize(text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            unicode[i] = static_cast<char16_t>(text[i] >= 'A' && text[i] <= 'Z' ? text[i] - 'A' + 'a' : text[i]);
        AppendKeyOfUnicode(key);
        return;
    }
    std::string& lower = Impl->LowerText;
    LowerInto(text, lower);
    // Ill-formed bytes become U+FFFD, as they do for the collator's own UTF-8 comparison.
    unicode.resize(lower.size() + 1);
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = 0;
        u_strFromUTF8WithSub(unicode.data(), static_cast<int32_t>(unicode.size()), &length, lower.data(),
                             static_cast<int32_t>(lower.size()), 0xFFFD, nullptr, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            unicode.resize(static_cast<std::size_t>(length) + 1);
            continue;
        }
        if (U_FAILURE(status))
            throw std::runtime_error("A name cannot be converted for collation.");
        unicode.resize(static_cast<std::size_t>(length));
        break;
    }
    AppendKeyOfUnicode(key);
}

void TLocaleRules::AppendKeyOfUnicode(std::string& key) const
{
    const std::u16string& unicode = Impl->Utf16Text;
    const std::size_t start = key.size();
    key.resize(start + unicode.size() * 2 + 16);
    for (;;) {
        const auto room = static_cast<int32_t>(key.size() - start);
        const int32_t length = Impl->Collator->getSortKey(unicode.data(), static_cast<int32_t>(unicode.size()),
                                                          reinterpret_cast<uint8_t*>(key.data() + start), room);
        if (length > room) {
            key.resize(start + static_cast<std::size_t>(length));
            continue;
        }
        key.resize(start + (length > 0 ? static_cast<std::size_t>(length) - 1 : 0));  // drop the terminating zero
        return;
    }
}

int TLocaleRules::CompareFileNames(std::string_view a, std::string_view b) const
{
    const std::string lowerA = Lower(a), lowerB = Lower(b);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result =
        Impl->Collator->compareUTF8(icu::StringPiece(lowerA.data(), static_cast<int32_t>(lowerA.size())),
                                    icu::StringPiece(lowerB.data(), static_cast<int32_t>(lowerB.size())), status);
    if (U_FAILURE(status))
        return lowerA.compare(lowerB);
    return result;
}

bool TLocaleRules::SameFileName(std::string_view a, std::string_view b) const { return Lower(a) == Lower(b); }

const TLocaleRules& TLocaleRules::ForThisThread()
{
    thread_local const TLocaleRules rules;
    return rules;
}
