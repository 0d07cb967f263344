#include "events/conditionscan.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {
constexpr std::size_t kBlockRows = 16384;

enum class Compare { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };

// One node of a condition: a comparison (a leaf) or "&&" / "||" of two nodes.
struct Node
{
    enum Kind { Leaf, And, Or } kind = Leaf;
    int input = 0;
    Compare compare = Compare::Less;
    double number = 0;
    int left = -1;
    int right = -1;
};

// Reads "name op number", "number op name", "&&", "||" and brackets; any
// other token (a function, arithmetic, a second name in one comparison)
// leaves the condition to the formula parser.
class DirectParser
{
public:
    explicit DirectParser(const QString& text) : m_text(text) {}

    bool parse(std::vector<Node>& nodes, QStringList& names)
    {
        m_nodes = &nodes;
        m_names = &names;
        const int root = orNode();
        skipSpaces();
        return root >= 0 && m_at == m_text.size() && root == int(nodes.size()) - 1;
    }

private:
    void skipSpaces()
    {
        while (m_at < m_text.size() && m_text.at(m_at).isSpace())
            ++m_at;
    }
    bool take(const QString& token)
    {
        skipSpaces();
        if (m_text.midRef(m_at, token.size()) != token)
            return false;
        m_at += token.size();
        return true;
    }
    int joined(Node::Kind kind, const QString& token, int (DirectParser::*next)())
    {
        int left = (this->*next)();
        while (left >= 0 && take(token)) {
            const int right = (this->*next)();
            if (right < 0)
                return -1;
            Node node;
            node.kind = kind;
            node.left = left;
            node.right = right;
            m_nodes->push_back(node);
            left = int(m_nodes->size()) - 1;
        }
        return left;
    }
    int orNode() { return joined(Node::Or, QStringLiteral("||"), &DirectParser::andNode); }
    int andNode() { return joined(Node::And, QStringLiteral("&&"), &DirectParser::leaf); }
    int leaf()
    {
        if (take(QStringLiteral("("))) {
            const int inner = orNode();
            return inner >= 0 && take(QStringLiteral(")")) ? inner : -1;
        }
        QString leftName;
        double leftNumber = 0;
        if (!operand(leftName, leftNumber))
            return -1;
        Compare compare;
        if (!comparison(compare))
            return -1;
        QString rightName;
        double rightNumber = 0;
        if (!operand(rightName, rightNumber) || leftName.isEmpty() == rightName.isEmpty())
            return -1;
        Node node;
        node.compare = compare;
        if (leftName.isEmpty()) {
            // "207 > U1" is "U1 < 207".
            static const Compare mirrored[] = {Compare::Greater, Compare::GreaterEqual,
                                               Compare::Less,    Compare::LessEqual,
                                               Compare::Equal,   Compare::NotEqual};
            node.compare = mirrored[int(compare)];
            leftName = rightName;
        } else {
            leftNumber = rightNumber;
        }
        node.number = leftNumber;
        int input = m_names->indexOf(leftName);
        if (input < 0) {
            m_names->append(leftName);
            input = m_names->size() - 1;
        }
        node.input = input;
        m_nodes->push_back(node);
        return int(m_nodes->size()) - 1;
    }
    bool comparison(Compare& compare)
    {
        static const std::pair<const char*, Compare> signs[] = {
            {"<=", Compare::LessEqual}, {">=", Compare::GreaterEqual}, {"==", Compare::Equal},
            {"!=", Compare::NotEqual},  {"<", Compare::Less},          {">", Compare::Greater}};
        for (const auto& sign : signs) {
            if (take(QLatin1String(sign.first))) {
                compare = sign.second;
                return true;
            }
        }
        return false;
    }
    bool operand(QString& name, double& number)
    {
        skipSpaces();
        static const QRegularExpression nameForm(QStringLiteral("\\G[A-Za-z_][A-Za-z0-9_]*"));
        static const QRegularExpression numberForm(
            QStringLiteral("\\G-?\\s*(\\d+(\\.\\d*)?|\\.\\d+)([eE][-+]?\\d+)?"));
        if (const auto match = nameForm.match(m_text, m_at); match.hasMatch()) {
            name = match.captured();
            m_at += match.capturedLength();
            // Functions and the parser's constants are the parser's.
            skipSpaces();
            return !(m_at < m_text.size() && m_text.at(m_at) == QLatin1Char('(')) &&
                   !name.startsWith(QLatin1Char('_'));
        }
        if (const auto match = numberForm.match(m_text, m_at); match.hasMatch()) {
            bool ok = false;
            number = match.captured().remove(QLatin1Char(' ')).toDouble(&ok);
            m_at += match.capturedLength();
            return ok;
        }
        return false;
    }

    const QString& m_text;
    int m_at = 0;
    std::vector<Node>* m_nodes = nullptr;
    QStringList* m_names = nullptr;
};

// The raw values r of a column with divisor D for which "r / D op number"
// holds, as the parser computes it: the division rounds monotonically, so
// they are one range [low, high] of raw values, or all but one for "!=".
struct RawBounds
{
    qint64 low = 1;
    qint64 high = 0;
    bool outside = false; // holds outside [low, high]

    void test(const qint32* raw, std::size_t n, unsigned char* out) const
    {
        if (low > high) {
            std::fill(out, out + n, outside);
            return;
        }
        // One unsigned comparison per value: r - low wraps above the width.
        const quint32 from = quint32(qint32(std::max<qint64>(low, INT32_MIN)));
        const quint32 width =
            quint32(std::min<qint64>(high, INT32_MAX) - std::max<qint64>(low, INT32_MIN));
        const unsigned char flip = outside;
        for (std::size_t j = 0; j < n; ++j)
            out[j] = static_cast<unsigned char>((quint32(raw[j]) - from <= width) ^ flip);
    }
};

bool holds(Compare compare, double x, double c)
{
    switch (compare) {
    case Compare::Less:
        return x < c;
    case Compare::LessEqual:
        return x <= c;
    case Compare::Greater:
        return x > c;
    case Compare::GreaterEqual:
        return x >= c;
    case Compare::Equal:
        return x == c;
    case Compare::NotEqual:
        return x != c;
    }
    return false;
}

// The first raw value in [INT32_MIN, INT32_MAX + 1] for which `after` holds,
// `after` being false up to some value and true from there on.
template <typename After> qint64 firstOf(After after)
{
    qint64 low = INT32_MIN;
    qint64 high = qint64(INT32_MAX) + 1;
    while (low < high) {
        const qint64 middle = low + (high - low) / 2;
        if (middle <= INT32_MAX && after(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

RawBounds rawBounds(Compare compare, double number, double divisor)
{
    const auto value = [divisor](qint64 raw) { return double(raw) / divisor; };
    RawBounds bounds;
    switch (compare) {
    case Compare::Less:
    case Compare::LessEqual:
        bounds.low = INT32_MIN;
        bounds.high = firstOf([&](qint64 r) { return !holds(compare, value(r), number); }) - 1;
        break;
    case Compare::Greater:
    case Compare::GreaterEqual:
        bounds.low = firstOf([&](qint64 r) { return holds(compare, value(r), number); });
        bounds.high = INT32_MAX;
        break;
    case Compare::Equal:
    case Compare::NotEqual:
        bounds.low = firstOf([&](qint64 r) { return value(r) >= number; });
        bounds.high = firstOf([&](qint64 r) { return value(r) > number; }) - 1;
        bounds.outside = compare == Compare::NotEqual;
        break;
    }
    return bounds;
}

template <typename Test>
void compareBlock(const double* values, std::size_t n, unsigned char* out, Test test)
{
    for (std::size_t j = 0; j < n; ++j)
        out[j] = test(values[j]);
}
} // namespace

struct ConditionScan::Direct
{
    std::vector<Node> nodes;
    std::vector<std::vector<double>> values;       // per input, one block
    std::vector<std::vector<unsigned char>> masks; // per node, one block

    void compare(const Node& node, const double* v, std::size_t n, unsigned char* out) const
    {
        const double c = node.number;
        switch (node.compare) {
        case Compare::Less:
            return compareBlock(v, n, out, [c](double x) { return x < c; });
        case Compare::LessEqual:
            return compareBlock(v, n, out, [c](double x) { return x <= c; });
        case Compare::Greater:
            return compareBlock(v, n, out, [c](double x) { return x > c; });
        case Compare::GreaterEqual:
            return compareBlock(v, n, out, [c](double x) { return x >= c; });
        case Compare::Equal:
            return compareBlock(v, n, out, [c](double x) { return x == c; });
        case Compare::NotEqual:
            return compareBlock(v, n, out, [c](double x) { return x != c; });
        }
    }
};

ConditionScan::ConditionScan() = default;
ConditionScan::~ConditionScan() = default;

bool ConditionScan::setCondition(const QString& condition)
{
    m_direct.reset();
    m_inputs.clear();
    if (!m_evaluator.setFormula(condition))
        return false;
    auto direct = std::make_unique<Direct>();
    QStringList names;
    if (DirectParser(condition).parse(direct->nodes, names) &&
        QSet<QString>(names.begin(), names.end()) ==
            QSet<QString>(m_evaluator.inputs().begin(), m_evaluator.inputs().end())) {
        m_inputs = names;
        m_direct = std::move(direct);
    } else {
        m_inputs = m_evaluator.inputs();
    }
    return true;
}

void ConditionScan::scan(const std::vector<FormulaInput>& columns, std::size_t rows,
                         const Block& block)
{
    if (columns.size() != size_t(m_inputs.size()) || rows == 0)
        return;
    if (m_direct)
        return scanDirect(columns, rows, block);
    m_evaluator.evaluate(columns, rows,
                         [&](std::size_t first, const double* results, std::size_t n) {
                             m_states.resize(n);
                             for (std::size_t j = 0; j < n; ++j)
                                 m_states[j] = std::isnan(results[j]) ? RowNoValue
                                               : results[j] != 0      ? RowTrue
                                                                      : RowFalse;
                             block(first, m_states.data(), n);
                         });
}

void ConditionScan::scanDirect(const std::vector<FormulaInput>& columns, std::size_t rows,
                               const Block& block)
{
    Direct& d = *m_direct;
    const std::size_t size = std::min(kBlockRows, rows);
    d.values.resize(columns.size());
    d.masks.resize(d.nodes.size());
    for (auto& mask : d.masks)
        mask.resize(size);
    m_states.resize(size);
    unsigned char* states = m_states.data();
    // A comparison of a column of raw values with one divisor is a test of
    // the raw value against bounds found once.
    std::vector<RawBounds> bounds(d.nodes.size());
    std::vector<bool> asDoubles(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c)
        asDoubles[c] = columns[c].ids != nullptr;
    for (std::size_t k = 0; k < d.nodes.size(); ++k) {
        const Node& node = d.nodes[k];
        if (node.kind == Node::Leaf && !columns[size_t(node.input)].real &&
            !asDoubles[size_t(node.input)])
            bounds[k] = rawBounds(node.compare, node.number, columns[size_t(node.input)].divisor);
    }

    for (std::size_t start = 0; start < rows; start += size) {
        const std::size_t n = std::min(size, rows - start);
        bool anyMissing = false;
        for (const FormulaInput& in : columns)
            anyMissing |= in.real || in.count < start + n;
        if (anyMissing)
            std::fill(states, states + n, 0);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const FormulaInput& in = columns[c];
            const std::size_t present = in.count > start ? std::min(n, in.count - start) : 0;
            if (in.real) {
                const double* real = in.real + start;
                for (std::size_t j = 0; j < present; ++j)
                    states[j] |= std::isnan(real[j]);
            } else if (asDoubles[c]) {
                std::vector<double>& values = d.values[c];
                values.resize(size);
                const qint32* raw = in.values + start;
                const quint8* ids = in.ids + start;
                for (std::size_t j = 0; j < present; ++j)
                    values[j] = double(raw[j]) / in.divisorById[ids[j]];
            }
            if (present < n)
                std::fill(states + present, states + n, 1);
        }
        // Nodes come after their operands, so one pass in order does.
        for (std::size_t k = 0; k < d.nodes.size(); ++k) {
            const Node& node = d.nodes[k];
            unsigned char* out = d.masks[k].data();
            if (node.kind == Node::Leaf) {
                const FormulaInput& in = columns[size_t(node.input)];
                // Rows past the column's end are missing; what they compare as does not matter.
                const std::size_t present = in.count > start ? std::min(n, in.count - start) : 0;
                if (in.real)
                    d.compare(node, in.real + start, present, out);
                else if (asDoubles[size_t(node.input)])
                    d.compare(node, d.values[size_t(node.input)].data(), present, out);
                else
                    bounds[k].test(in.values + start, present, out);
                continue;
            }
            const unsigned char* a = d.masks[size_t(node.left)].data();
            const unsigned char* b = d.masks[size_t(node.right)].data();
            if (node.kind == Node::And) {
                for (std::size_t j = 0; j < n; ++j)
                    out[j] = a[j] & b[j];
            } else {
                for (std::size_t j = 0; j < n; ++j)
                    out[j] = a[j] | b[j];
            }
        }
        const unsigned char* result = d.masks.back().data();
        if (!anyMissing) {
            block(start, result, n);
            continue;
        }
        // states holds 1 where a value is missing: 2 there, else the result.
        for (std::size_t j = 0; j < n; ++j)
            states[j] = states[j] ? static_cast<unsigned char>(RowNoValue) : result[j];
        block(start, states, n);
    }
}
