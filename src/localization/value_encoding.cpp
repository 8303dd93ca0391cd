#include "localization/value_encoding.h"

namespace {

const QChar kQuote = u'"';
const QChar kEscape = u'#';

bool IsBlank(QChar c) { return c.unicode() <= 32; }

QString Trimmed(const QString& s) {
  qsizetype b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.mid(b, e - b);
}

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

// The characters of one escape run such as "13#10": each piece is a decimal code.
void AppendEscapeRun(QString run, QString& out) {
  while (!run.isEmpty()) {
    qsizetype p = run.indexOf(kEscape);
    QString piece = p < 0 ? run : run.left(p);
    if (auto n = DecimalInteger(piece)) out += QChar(char16_t(uint32_t(*n) & 0xFF));
    run = p < 0 ? QString() : Trimmed(run.mid(p + 1));
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
  QString r;
  QString t = stored;
  const QString pair = QString(kQuote) + kEscape;
  for (qsizetype at = t.indexOf(pair); at >= 0; at = t.indexOf(pair)) {
    r += t.left(at);
    t.remove(0, at + 2);
    qsizetype q = t.indexOf(kQuote);
    QString run;
    if (q >= 0) {
      run = t.left(q);
      t.remove(0, q + 1);
    }
    AppendEscapeRun(run, r);
  }
  r += t;
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
