#include "CriterionParser.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;

namespace {

const char s_conditions[] = "a condition (between, >, <, =, contains, does-not-contain, contains-any, contains-all, "
                            "column, exists, does-not-exist)";

struct Word {
    std::string text; // without its quotes
    std::size_t position;
    bool quoted;
};

std::vector<Word> SplitWords(const std::string& expression)
{
    std::vector<Word> words;
    std::size_t at = 0;
    while (true) {
        at = expression.find_first_not_of(" \t", at);
        if (at == std::string::npos) {
            return words;
        }
        if (expression[at] == '"') {
            const std::size_t close = expression.find('"', at + 1);
            if (close == std::string::npos) {
                throw CriterionSyntaxError("a closing quote", at, expression.substr(at));
            }
            words.push_back({expression.substr(at + 1, close - at - 1), at, true});
            at = close + 1;
        } else {
            const std::size_t end = std::min(expression.find_first_of(" \t", at), expression.size());
            words.push_back({expression.substr(at, end - at), at, false});
            at = end;
        }
    }
}

bool IsCondition(const Word& word)
{
    static const char* const s_words[] = {"between", ">", "<", "=", "contains", "does-not-contain", "contains-any",
                                          "contains-all", "column", "exists", "does-not-exist"};
    for (const char* condition : s_words) {
        if (!word.quoted && word.text == condition) {
            return true;
        }
    }
    return false;
}

// A date as the server takes it, or "" for a word that is none.
std::string AsDateTime(const std::string& text)
{
    static const std::regex s_date(R"(\d{4}-\d{2}-\d{2})");
    static const std::regex s_dateTime(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2})");
    if (std::regex_match(text, s_date)) {
        return text + "T00:00:00";
    }
    return std::regex_match(text, s_dateTime) ? text : "";
}

// Walks the words after the attribute name.
class Reader {
public:
    Reader(const std::string& expression, std::vector<Word> words, std::size_t next)
        : m_expression(expression), m_words(std::move(words)), m_next(next)
    {
    }

    bool AtEnd() const { return m_next == m_words.size(); }

    [[noreturn]] void Fail(const std::string& expected) const
    {
        if (AtEnd()) {
            throw CriterionSyntaxError(expected, m_expression.size(), "");
        }
        throw CriterionSyntaxError(expected, m_words[m_next].position, m_words[m_next].text);
    }

    // The next word; only when not at the end.
    const Word& Peek() const { return m_words[m_next]; }
    void Skip() { ++m_next; }

    void Expect(const char* keyword)
    {
        if (AtEnd() || m_words[m_next].quoted || m_words[m_next].text != keyword) {
            Fail(std::string("'") + keyword + "'");
        }
        ++m_next;
    }

    void ExpectEnd() const
    {
        if (!AtEnd()) {
            Fail("the end of the expression");
        }
    }

    double Number(const std::string& expected)
    {
        if (AtEnd()) {
            Fail(expected);
        }
        const std::string& text = m_words[m_next].text;
        char* end = nullptr;
        errno = 0;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value)) {
            Fail(expected);
        }
        ++m_next;
        return value;
    }

    int Integer()
    {
        if (AtEnd()) {
            Fail("an integer");
        }
        const std::string& text = m_words[m_next].text;
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
            Fail("an integer");
        }
        ++m_next;
        return static_cast<int>(value);
    }

    // The rest of the expression as written, quotes around all of it removed; "" at the end.
    std::string Rest()
    {
        if (AtEnd()) {
            return "";
        }
        const Word& first = m_words[m_next];
        const Word& last = m_words.back();
        m_next = m_words.size();
        if (&first == &last && first.quoted) {
            return first.text;
        }
        const std::size_t end = m_expression.find_last_not_of(" \t") + 1;
        return m_expression.substr(first.position, end - first.position);
    }

    std::size_t Position() const { return AtEnd() ? m_expression.size() : m_words[m_next].position; }

    // The words up to `keyword`, joined by single spaces; `keyword` itself is taken too.
    std::string WordsUntil(const char* keyword, const std::string& expected)
    {
        std::string joined;
        while (!AtEnd() && (m_words[m_next].quoted || m_words[m_next].text != keyword)) {
            joined += (joined.empty() ? "" : " ") + m_words[m_next++].text;
        }
        if (joined.empty()) {
            Fail(expected);
        }
        Expect(keyword);
        return joined;
    }

private:
    const std::string& m_expression;
    std::vector<Word> m_words;
    std::size_t m_next;
};

template <class End>
SmartPtr<End> Bound(double value, const std::string& unit)
{
    SmartPtr<End> end = new End;
    end->SetValue(value);
    end->SetUnit(unit);
    return end;
}

// Dates when the first bound is one, else numbers with an optional unit after the second.
SmartPtr<SearchValue> ReadBetween(Reader& reader)
{
    const std::string lowDate = reader.AtEnd() ? "" : AsDateTime(reader.Peek().text);
    if (lowDate.empty()) {
        const double low = reader.Number("a number or a date");
        reader.Expect("and");
        const double high = reader.Number("a number");
        const std::string unit = reader.Rest();
        SmartPtr<BetweenSearchValue> between = new BetweenSearchValue;
        between->SetLowEnd(Bound<LowEndSearchValue>(low, unit));
        between->SetHighEnd(Bound<HighEndSearchValue>(high, unit));
        return between;
    }
    reader.Skip();
    reader.Expect("and");
    const std::string highDate = reader.AtEnd() ? "" : AsDateTime(reader.Peek().text);
    if (highDate.empty()) {
        reader.Fail("a date such as 2017-01-01");
    }
    reader.Skip();
    reader.ExpectEnd();
    SmartPtr<BetweenDateTimesSearchValue> between = new BetweenDateTimesSearchValue;
    between->SetLowEnd(lowDate);
    between->SetHighEnd(highDate);
    return between;
}

template <class Value>
SmartPtr<SearchValue> ReadText(Reader& reader)
{
    SmartPtr<Value> value = new Value;
    value->SetValue(reader.Rest());
    if (value->GetValue().empty()) {
        reader.Fail("a text");
    }
    return value;
}

template <class Value>
SmartPtr<SearchValue> ReadDiscrete(Reader& reader, const std::string& expression)
{
    const std::size_t at = reader.Position();
    const std::string rest = reader.Rest();
    if (rest.empty()) {
        reader.Fail("values separated by commas");
    }
    SmartPtr<Value> value = new Value;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = std::min(rest.find(',', start), rest.size());
        const std::string item = rest.substr(start, comma - start);
        const std::size_t first = item.find_first_not_of(" \t");
        if (first == std::string::npos) {
            throw CriterionSyntaxError("a value between the commas", at + start,
                                       expression.substr(at + start, comma - start + (comma < rest.size())));
        }
        value->AddValue(item.substr(first, item.find_last_not_of(" \t") + 1 - first));
        if (comma == rest.size()) {
            return value;
        }
        start = comma + 1;
    }
}

SmartPtr<SearchValue> ReadColumnContains(Reader& reader)
{
    SmartPtr<TabularColumnContainsSearchValue> value = new TabularColumnContainsSearchValue;
    value->SetColName(reader.WordsUntil("contains", "a column name"));
    value->SetValue(reader.Rest());
    if (value->GetValue().empty()) {
        reader.Fail("a text");
    }
    return value;
}

SmartPtr<SearchValue> ReadCondition(const std::string& condition, Reader& reader, const std::string& expression)
{
    if (condition == "between") {
        return ReadBetween(reader);
    }
    if (condition == ">") {
        const double value = reader.Number("a number");
        return Bound<GreaterThanSearchValue>(value, reader.Rest());
    }
    if (condition == "<") {
        const double value = reader.Number("a number");
        return Bound<LessThanSearchValue>(value, reader.Rest());
    }
    if (condition == "=") {
        SmartPtr<ExactlySearchValue> exactly = new ExactlySearchValue;
        exactly->SetValue(reader.Integer());
        reader.ExpectEnd();
        return exactly;
    }
    if (condition == "contains") {
        return ReadText<ContainsSearchValue>(reader);
    }
    if (condition == "does-not-contain") {
        return ReadText<DoesNotContainSearchValue>(reader);
    }
    if (condition == "contains-any") {
        return ReadDiscrete<ContainsAnySearchValue>(reader, expression);
    }
    if (condition == "contains-all") {
        return ReadDiscrete<ContainsAllSearchValue>(reader, expression);
    }
    if (condition == "column") {
        return ReadColumnContains(reader);
    }
    reader.ExpectEnd();
    if (condition == "exists") {
        return new ExistsSearchValue;
    }
    return new DoesNotExistSearchValue;
}

} // namespace

CriterionSyntaxError::CriterionSyntaxError(const std::string& expected, std::size_t position, const std::string& word)
    : std::runtime_error("expected " + expected + (word.empty() ? ", found the end" : ", found '" + word + "'")),
      m_expected(expected),
      m_position(position),
      m_word(word)
{
}

ParsedCriterion ParseCriterion(const std::string& expression)
{
    std::vector<Word> words = SplitWords(expression);
    std::size_t condition = 0;
    while (condition < words.size() && !IsCondition(words[condition])) {
        ++condition;
    }
    if (words.empty()) {
        throw CriterionSyntaxError("an attribute name", expression.size(), "");
    }
    if (condition == 0) {
        throw CriterionSyntaxError("an attribute name", words[0].position, words[0].text);
    }
    if (condition == words.size()) {
        throw CriterionSyntaxError(s_conditions, expression.size(), "");
    }
    ParsedCriterion parsed;
    for (std::size_t index = 0; index < condition; ++index) {
        parsed.attribute += (index ? " " : "") + words[index].text;
    }
    const std::string keyword = words[condition].text;
    Reader reader(expression, std::move(words), condition + 1);
    parsed.value = ReadCondition(keyword, reader, expression);
    return parsed;
}

std::string DescribeSyntaxError(const std::string& expression, const CriterionSyntaxError& error)
{
    return std::string(error.what()) + "\n  " + expression + "\n  " + std::string(error.Position(), ' ') + "^";
}

} // namespace dorsatool
