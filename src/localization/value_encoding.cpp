#include "localization/value_encoding.h"

namespace {

const QChar kQuote = u'"';
const QChar kEscape = u'#';

bool IsBlank(QChar c) { return c.unicode() <= 32; }

}  // namespace

std::optional<int32_t> DecimalInteger(const QString& s) {
  qsizetype i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  if (i == s.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    char16_t c = s[i].unicode();
    if (c < u'0' || c > u'9') return std::nullopt;
    v = v * 10 + (c - u'0');
    if (v > int64_t(INT32_MAX) + 1) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(v);
}

namespace {

// The characters of one escape run such as "13#10": each piece is a decimal code. The rest of
// the run after each escape is trimmed; it is walked by position, so a long run costs linear time.
void AppendEscapeRun(const QString& run, QString& out) {
  qsizetype b = 0, e = run.size();
  while (b < e) {
    qsizetype p = run.indexOf(kEscape, b);
    if (p >= e) p = -1;
    if (auto n = DecimalInteger(run.mid(b, (p < 0 ? e : p) - b))) out += QChar(char16_t(uint32_t(*n) & 0xFF));
    if (p < 0) break;
    b = p + 1;
    while (b < e && IsBlank(run[b])) ++b;
    while (e > b && IsBlank(run[e - 1])) --e;
  }
}

// The text inside a leading quote up to the next quote that is not doubled; doubled quotes
// become one, the rest after the closing quote is dropped.
QString Unquoted(const QString& s) {
  QString out;
  for (qsizetype i = 1; i < s.size(); ++i) {
    if (s[i] == kQuote) {
      if (i + 1 < s.size() && s[i + 1] == kQuote) {
        out += kQuote;
        ++i;
        continue;
      }
      break;
    }
    out += s[i];
  }
  return out;
}

}  // namespace

QString DecodeValue(const QString& stored) {
  // What is left of the stored text starts at position t; nothing is removed from its front,
  // so a long value with many escape runs costs linear time.
  QString r;
  const QString pair = QString(kQuote) + kEscape;
  qsizetype t = 0;
  for (qsizetype at = stored.indexOf(pair, t); at >= 0; at = stored.indexOf(pair, t)) {
    r += QStringView(stored).mid(t, at - t);
    t = at + 2;
    qsizetype q = stored.indexOf(kQuote, t);
    if (q >= 0) {
      AppendEscapeRun(stored.mid(t, q - t), r);
      t = q + 1;
    }
  }
  r += QStringView(stored).mid(t);
  if (r.size() > 1 && r[0] == kQuote) return Unquoted(r);
  return r;
}

QString EncodeValue(const QString& text) {
  QString q = text;
  q.replace(kQuote, QStringLiteral("\"\""));
  q = kQuote + q + kQuote;
  QString out;
  out.reserve(q.size() + 8);
  char16_t previous = 255;
  for (QChar c : q) {
    char16_t code = c.unicode();
    if (code < 32) {
      if (previous >= 32) out += kQuote;
      out += kEscape;
      out += QString::number(code);
    } else {
      if (previous < 32) out += kQuote;
      out += c;
    }
    previous = code;
  }
  return out;
}
