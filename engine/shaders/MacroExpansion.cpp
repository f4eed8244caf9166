#include "shaders/MacroExpansion.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Tokens = std::vector<std::string_view>;

struct Macro {
    bool function = false;
    std::vector<std::string_view> params;
    Tokens body;
};

// The size of an expansion as a linear function of the sizes of the arguments: what a
// macro body makes of its parameters composes, so each body is evaluated once however
// deeply macros nest.
struct Form {
    double constant = 0.0;
    std::vector<double> perParam;
};

// Comments removed and continued lines joined; the text keeps its line breaks otherwise.
std::string Clean(std::string_view source)
{
    std::string text;
    text.reserve(source.size());
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\\' && i + 1 < source.size() && source[i + 1] == '\n') {
            ++i;
        } else if (source.compare(i, 2, "//") == 0) {
            while (i < source.size() && source[i] != '\n')
                ++i;
            text += '\n';
        } else if (source.compare(i, 2, "/*") == 0) {
            const size_t end = source.find("*/", i + 2);
            i = end == std::string_view::npos ? source.size() : end + 1;
            text += ' ';
        } else {
            text += source[i];
        }
    }
    return text;
}

bool IsIdentifierStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsIdentifierPart(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Identifiers, numbers and single punctuation characters.
Tokens Tokenize(std::string_view line)
{
    Tokens tokens;
    for (size_t i = 0; i < line.size();) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        } else if (IsIdentifierPart(line[i])) {
            // Numbers keep their point and suffix ("1.5f"); identifiers stop at a point.
            const bool number = std::isdigit(static_cast<unsigned char>(line[i]));
            const size_t start = i;
            while (i < line.size() && (IsIdentifierPart(line[i]) || (number && line[i] == '.')))
                ++i;
            tokens.push_back(line.substr(start, i - start));
        } else {
            tokens.push_back(line.substr(i++, 1));
        }
    }
    return tokens;
}

// Deeper nesting of macros or parentheses than any shader has: taken as a bomb, and the
// walk stops before it could exhaust the stack.
constexpr int kMaxNesting = 200;
constexpr double kUnbounded = 1e300;

// Sizes stay finite (and so never 0 times infinity) however large they grow.
double Plus(double a, double b)
{
    return std::min(a + b, kUnbounded);
}

double Times(double a, double b)
{
    return a == 0.0 || b == 0.0 ? 0.0 : std::min(a * b, kUnbounded);
}

class Estimator {
   public:
    explicit Estimator(std::map<std::string_view, Macro> macros) : macros(std::move(macros)) {}

    // The size of `tokens`, as a form over `params` (the parameters of the body they are).
    Form Evaluate(const Tokens& tokens, const std::vector<std::string_view>& params)
    {
        Form form;
        form.perParam.assign(params.size(), 0.0);
        const NestingGuard guard(nesting);
        if (nesting > kMaxNesting) {
            form.constant = kUnbounded;
            return form;
        }
        for (size_t i = 0; i < tokens.size(); ++i) {
            const std::string_view token = tokens[i];
            const auto param = std::find(params.begin(), params.end(), token);
            if (param != params.end()) {
                double& count = form.perParam[static_cast<size_t>(param - params.begin())];
                count = Plus(count, 1.0);
                continue;
            }
            const auto found = macros.find(token);
            if (found == macros.end() || !IsIdentifierStart(token.front())) {
                form.constant = Plus(form.constant, 1.0);
                continue;
            }
            const Macro& macro = found->second;
            if (!macro.function) {
                form.constant = Plus(form.constant, FormOf(token).constant);
                continue;
            }
            if (i + 1 >= tokens.size() || tokens[i + 1] != "(") {
                form.constant = Plus(form.constant, 1.0);  // a name without a call stays itself
                continue;
            }
            // The arguments, split at the commas outside parentheses.
            std::vector<Tokens> arguments(1);
            size_t j = i + 2;
            for (int depth = 0; j < tokens.size(); ++j) {
                if (tokens[j] == ")" && depth == 0)
                    break;
                if (tokens[j] == "(")
                    ++depth;
                else if (tokens[j] == ")")
                    --depth;
                if (tokens[j] == "," && depth == 0)
                    arguments.emplace_back();
                else
                    arguments.back().push_back(tokens[j]);
            }
            const Form called = FormOf(token);
            form.constant = Plus(form.constant, called.constant);
            for (size_t a = 0; a < arguments.size() && a < called.perParam.size(); ++a) {
                if (called.perParam[a] == 0.0)
                    continue;  // an argument the body drops costs nothing
                const Form argument = Evaluate(arguments[a], params);
                form.constant = Plus(form.constant, Times(called.perParam[a], argument.constant));
                for (size_t p = 0; p < params.size(); ++p)
                    form.perParam[p] =
                        Plus(form.perParam[p], Times(called.perParam[a], argument.perParam[p]));
            }
            i = j;
        }
        return form;
    }

   private:
    struct NestingGuard {
        explicit NestingGuard(int& depth) : depth(depth) { ++depth; }
        ~NestingGuard() { --depth; }
        int& depth;
    };

    Form FormOf(std::string_view name)
    {
        if (const auto known = forms.find(name); known != forms.end())
            return known->second;
        const Macro& macro = macros.at(name);
        // Inside its own expansion a macro is not expanded again.
        if (!active.insert(name).second)
            return {1.0, std::vector<double>(macro.params.size(), 0.0)};
        Form form = Evaluate(macro.body, macro.params);
        active.erase(name);
        forms[name] = form;
        return form;
    }

    std::map<std::string_view, Macro> macros;
    std::map<std::string_view, Form> forms;
    std::set<std::string_view> active;
    int nesting = 0;
};

}  // namespace

double EstimateExpandedTokens(std::string_view source)
{
    const std::string text = Clean(source);
    std::map<std::string_view, Macro> macros;
    Tokens code;
    const std::string_view all(text);
    for (size_t start = 0; start < all.size();) {
        const size_t end = std::min(all.find('\n', start), all.size());
        std::string_view line = all.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos)
            continue;
        line.remove_prefix(first);
        if (line.front() != '#') {
            const Tokens tokens = Tokenize(line);
            code.insert(code.end(), tokens.begin(), tokens.end());
            continue;
        }
        line.remove_prefix(1);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (!line.starts_with("define"))
            continue;
        line.remove_prefix(6);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        size_t nameEnd = 0;
        while (nameEnd < line.size() && IsIdentifierPart(line[nameEnd]))
            ++nameEnd;
        if (nameEnd == 0)
            continue;
        Macro macro;
        const std::string_view name = line.substr(0, nameEnd);
        line.remove_prefix(nameEnd);
        // Function-like only with the parenthesis right after the name.
        if (!line.empty() && line.front() == '(') {
            macro.function = true;
            const size_t close = line.find(')');
            if (close == std::string_view::npos)
                continue;
            for (std::string_view param : Tokenize(line.substr(1, close - 1)))
                if (param != ",")
                    macro.params.push_back(param);
            line.remove_prefix(close + 1);
        }
        macro.body = Tokenize(line);
        macros[name] = std::move(macro);
    }
    return Estimator(std::move(macros)).Evaluate(code, {}).constant;
}
