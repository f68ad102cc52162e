#pragma once
// The user's locale rules for names: lower-casing, collation and case-insensitive equality.
// File names are compared by lower-casing both under the locale, then collating (order)
// or comparing bytes (equality). One object is used by one thread at a time.

#include <memory>
#include <string>
#include <string_view>

class TLocaleRules {
public:
    // The locale the environment names for collation (LC_ALL, LC_COLLATE, LANG).
    TLocaleRules();
    // A locale by its ICU or POSIX name, such as "de_DE" or "tr_TR.UTF-8".
    explicit TLocaleRules(const std::string& localeName);
    ~TLocaleRules();
    TLocaleRules(const TLocaleRules&) = delete;
    TLocaleRules& operator=(const TLocaleRules&) = delete;

    // Lower case under the locale; bytes that are not well-formed UTF-8 are kept as they are.
    std::string Lower(std::string_view text) const;
    // A key whose byte order is the collation order of the lower-cased text.
    std::string SortKey(std::string_view text) const;
    // The same key appended to key: a million keys cost no allocation each.
    void AppendSortKey(std::string_view text, std::string& key) const;
    // Negative, 0 or positive as a goes before, with or after b.
    int CompareFileNames(std::string_view a, std::string_view b) const;
    bool SameFileName(std::string_view a, std::string_view b) const;

    // A shared instance for the calling thread, in the user's locale.
    static const TLocaleRules& ForThisThread();

private:
    struct TImpl;
    void LowerInto(std::string_view text, std::string& lower) const;
    // Appends the key of the lower-cased text left in the object's room for it.
    void AppendKeyOfUnicode(std::string& key) const;

    std::unique_ptr<TImpl> Impl;
};

// The locale the environment names for a category: LC_ALL, then the category, then LANG;
// "C" or "POSIX" and unset give the empty text (the root locale).
std::string EnvironmentLocaleName(const char* category);
