#pragma once

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace dorsatest {

// Sets the C library's locale for the scope, as a host may do at any time, and puts
// the old one back afterwards.
class ScopedLocale final {
public:
    explicit ScopedLocale(const char* name)
    {
        const char* previous = std::setlocale(LC_ALL, nullptr);
        m_previous = previous ? previous : "C";
        m_active = name && std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

    explicit operator bool() const { return m_active; }

private:
    std::string m_previous;
    bool m_active = false;
};

// The comma-decimal locale the tests use: DORSA_TEST_LOCALE, or German.
inline const char* CommaDecimalLocaleName()
{
    const char* name = std::getenv("DORSA_TEST_LOCALE");
    return name && *name ? name : "de_DE.UTF-8";
}

// When DORSA_TEST_LOCALE is set, the whole test program runs in that locale: it must
// exist, or the run stops with a clear message instead of passing in the wrong one.
inline bool ApplyLocaleFromEnvironment()
{
    const char* name = std::getenv("DORSA_TEST_LOCALE");
    if (!name || !*name) {
        return false;
    }
    if (!std::setlocale(LC_ALL, name)) {
        std::fprintf(stderr, "DORSA_TEST_LOCALE=%s: the locale is not installed on this machine\n", name);
        std::exit(1);
    }
    return true;
}

} // namespace dorsatest
