#pragma once

#include <dorsa/ServiceLayer.h>

#include <cstddef>
#include <stdexcept>
#include <string>

namespace dorsatool {

// One criterion of `dorsa find --where`, read from a line such as
//   Density between 1000 and 3000 kg/m^3       Yield strength > 200 MPa
//   Corrosion resistance contains-any Good,Excellent       Datasheet exists
//   Date tested between 2015-01-01 and 2017-01-01      Composition column Element contains Cr
// The attribute name is every word before the condition; quoted, it may hold a condition word.
struct ParsedCriterion {
    std::string attribute;
    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::SearchValue> value;
};

// A word of the expression that could not be read, and what was expected in its place.
// At the end of the expression the position is its length and the word is empty.
class CriterionSyntaxError final : public std::runtime_error {
public:
    CriterionSyntaxError(const std::string& expected, std::size_t position, const std::string& word);

    const std::string& Expected() const { return m_expected; }
    std::size_t Position() const { return m_position; }
    const std::string& Word() const { return m_word; }

private:
    std::string m_expected;
    std::size_t m_position;
    std::string m_word;
};

// Throws CriterionSyntaxError.
ParsedCriterion ParseCriterion(const std::string& expression);

// The error as people read it: what was expected and found, then the expression with a
// caret under the word.
std::string DescribeSyntaxError(const std::string& expression, const CriterionSyntaxError& error);

} // namespace dorsatool
