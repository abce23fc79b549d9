// Text output of TCanvas: the platform's text rules (top-left placement,
// DrawText formatting with prefixes, tabs, word breaks and ellipses) over
// Qt's glyph drawing.

#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <limits>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/graphics/canvas_p.h"
#include "framework/gui/graphics/qt_graphics.h"
#include "framework/gui/graphics/qt_text.h"

namespace {

struct TTextLine {
  QString Text;
  int Underline = -1;  // index of the character a prefix '&' marks
};

class TTextLayout {
 public:
  TTextLayout(const QFont& font, unsigned format) : FMetrics(font), FFormat(format) {
    int tabChars = (format & DT_TABSTOP) ? static_cast<int>((format >> 8) & 0xFF) : 8;
    if (tabChars <= 0) tabChars = 8;
    FTabWidth = tabChars * AveCharWidth();
  }

  const QFontMetrics& Metrics() const { return FMetrics; }
  int LineHeight() const { return FMetrics.height(); }

  int AveCharWidth() const {
    int w = FMetrics.averageCharWidth();
    return w > 0 ? w : FMetrics.horizontalAdvance(QLatin1Char('x'));
  }

  // Width of a run; tabs go to the next tab stop when tabs are expanded.
  int Width(const QString& s) const {
    if (!(FFormat & DT_EXPANDTABS) || !s.contains(QLatin1Char('\t'))) return FMetrics.horizontalAdvance(s);
    int x = 0;
    const QStringList parts = s.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
      x += FMetrics.horizontalAdvance(parts[i]);
      if (i + 1 < parts.size()) x = (x / FTabWidth + 1) * FTabWidth;
    }
    return x;
  }

  void Draw(QPainter& p, int x, int baseline, const QString& s) const {
    if (!(FFormat & DT_EXPANDTABS) || !s.contains(QLatin1Char('\t'))) {
      p.drawText(x, baseline, s);
      return;
    }
    int dx = 0;
    const QStringList parts = s.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
      p.drawText(x + dx, baseline, parts[i]);
      dx += FMetrics.horizontalAdvance(parts[i]);
      if (i + 1 < parts.size()) dx = (dx / FTabWidth + 1) * FTabWidth;
    }
  }

 private:
  QFontMetrics FMetrics;
  unsigned FFormat;
  int FTabWidth = 64;
};

// Removes prefix marks: "&x" underlines x, "&&" is one '&'.
TTextLine StripPrefix(const QString& s, bool showUnderline) {
  TTextLine line;
  line.Text.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == QLatin1Char('&')) {
      if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&')) {
        line.Text += QLatin1Char('&');
        ++i;
        continue;
      }
      if (i + 1 < s.size() && showUnderline) line.Underline = static_cast<int>(line.Text.size());
      continue;
    }
    line.Text += s[i];
  }
  return line;
}

QString Ellipsis() { return QStringLiteral("..."); }

// Whether s is wider than width. Widths only grow with the characters, so
// a prefix that is already too wide answers for the whole text: a long
// text is measured only as far as it could show.
bool WiderThan(const TTextLayout& layout, const QString& s, int width) {
  for (qsizetype probe = 64; probe < s.size(); probe *= 2)
    if (layout.Width(s.first(probe)) > width) return true;
  return layout.Width(s) > width;
}

// The length of the longest prefix of s (at most limit characters) that,
// followed by suffix, fits width; 0 when none does. A bisection over the
// prefix widths, starting from a bound found by doubling, so that the cost
// follows what fits rather than the text's length. A cut never splits a
// surrogate pair.
qsizetype LongestFittingPrefix(const TTextLayout& layout, const QString& s, qsizetype limit, const QString& suffix,
                               int width) {
  auto fits = [&](qsizetype n) { return layout.Width(s.first(n) + suffix) <= width; };
  qsizetype low = 0;  // fits (or nothing does)
  qsizetype high = limit;
  for (qsizetype probe = 16; probe < limit; probe *= 2) {
    if (!fits(probe)) {
      high = probe;
      break;
    }
    low = probe;
  }
  if (high == limit && fits(limit)) return limit;
  // fits(low) or low == 0; !fits(high).
  while (high - low > 1) {
    const qsizetype middle = low + (high - low) / 2;
    if (fits(middle))
      low = middle;
    else
      high = middle;
  }
  if (low > 0 && s[low - 1].isHighSurrogate()) --low;
  return low;
}

// Cuts a line to width with "..." at its end.
void EndEllipsis(TTextLine& line, const TTextLayout& layout, int width) {
  if (!WiderThan(layout, line.Text, width)) return;
  const qsizetype keep = LongestFittingPrefix(layout, line.Text, line.Text.size(), Ellipsis(), width);
  line.Text = line.Text.first(keep) + Ellipsis();
  if (line.Underline >= keep) line.Underline = -1;
}

// Keeps the last path element and cuts the folders before it.
void PathEllipsis(TTextLine& line, const TTextLayout& layout, int width) {
  if (!WiderThan(layout, line.Text, width)) return;
  qsizetype sep = std::max(line.Text.lastIndexOf(QLatin1Char('\\')), line.Text.lastIndexOf(QLatin1Char('/')));
  if (sep <= 0) {
    EndEllipsis(line, layout, width);
    return;
  }
  const QString tail = Ellipsis() + line.Text.mid(sep);
  // A last element too wide on its own keeps no folder at all.
  const qsizetype keep = WiderThan(layout, tail, width) ? 0 : LongestFittingPrefix(layout, line.Text, sep, tail, width);
  line.Text = line.Text.first(keep) + tail;
  line.Underline = -1;
}

// Breaks a line at blanks so that each piece fits width, at most maxLines
// pieces; a word wider than width stays whole on its own line.
std::vector<TTextLine> WordBreak(const TTextLine& line, const TTextLayout& layout, int width,
                                 std::size_t maxLines) {
  std::vector<TTextLine> result;
  const QString& s = line.Text;
  qsizetype start = 0;
  while (start < s.size() && result.size() < maxLines) {
    qsizetype lastBreak = -1;
    qsizetype i = start;
    for (; i < s.size(); ++i) {
      if (s[i] == QLatin1Char(' ')) {
        if (layout.Width(s.mid(start, i - start)) > width && lastBreak >= 0) break;
        lastBreak = i;
      }
    }
    qsizetype end;
    qsizetype next;
    if (i >= s.size() && !WiderThan(layout, s.mid(start), width)) {
      end = s.size();
      next = s.size();
    } else if (lastBreak >= 0) {
      end = lastBreak;
      next = lastBreak + 1;
    } else {
      end = s.size();
      next = s.size();
    }
    // A trailing blank run belongs to neither line.
    qsizetype trimmed = end;
    while (trimmed > start && s[trimmed - 1] == QLatin1Char(' ')) --trimmed;
    TTextLine piece;
    piece.Text = s.mid(start, trimmed - start);
    if (line.Underline >= start && line.Underline < trimmed)
      piece.Underline = static_cast<int>(line.Underline - start);
    result.push_back(piece);
    while (next < s.size() && s[next] == QLatin1Char(' ')) ++next;
    start = next;
  }
  if (result.empty()) result.push_back(TTextLine{});
  return result;
}

std::vector<TTextLine> BuildLines(const QString& text, const TTextLayout& layout, unsigned format, int width,
                                  std::size_t maxLines) {
  bool prefix = !(format & DT_NOPREFIX);
  bool underline = !(format & DT_HIDEPREFIX);
  std::vector<TTextLine> lines;
  if (format & DT_SINGLELINE) {
    QString s = text;
    s.remove(QLatin1Char('\r'));
    s.remove(QLatin1Char('\n'));
    lines.push_back(prefix ? StripPrefix(s, underline) : TTextLine{s, -1});
  } else {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList raw = s.split(QLatin1Char('\n'));
    for (const QString& r : raw) {
      if (lines.size() >= maxLines) break;
      TTextLine line = prefix ? StripPrefix(r, underline) : TTextLine{r, -1};
      if (format & DT_WORDBREAK) {
        for (TTextLine& piece : WordBreak(line, layout, width, maxLines - lines.size()))
          lines.push_back(std::move(piece));
      } else {
        lines.push_back(std::move(line));
      }
    }
  }
  if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) {
    for (TTextLine& line : lines) {
      if (format & DT_PATH_ELLIPSIS)
        PathEllipsis(line, layout, width);
      else
        EndEllipsis(line, layout, width);
    }
  }
  return lines;
}

void PrepareText(TCanvas& canvas, QPainter& p) {
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setFont(TCanvasAccess::Font(canvas));
  p.setPen(ToQColor(canvas.Font().Color()));
  p.setBrush(Qt::NoBrush);
}

}  // namespace

TSize TCanvas::TextExtent(std::string_view text) const {
  QFontMetrics fm(TCanvasAccess::Font(*this));
  return {fm.horizontalAdvance(ToQString(text)), fm.height()};
}

bool TCanvas::TextWiderThan(std::string_view text, int width) const {
  QFontMetrics fm(TCanvasAccess::Font(*this));
  // The doubling probe of WiderThan, on the text's bytes: a prefix is
  // converted only as far as it is measured.
  for (std::size_t probe = 64; probe < text.size(); probe *= 2)
    if (fm.horizontalAdvance(ToQString(text.substr(0, probe))) > width) return true;
  return fm.horizontalAdvance(ToQString(text)) > width;
}

TTextMetric TCanvas::TextMetrics() const {
  QFontMetrics fm(TCanvasAccess::Font(*this));
  TTextMetric tm;
  tm.Height = fm.height();
  tm.Ascent = fm.ascent();
  tm.Descent = fm.descent();
  tm.InternalLeading = std::max(0, fm.height() - TCanvasAccess::Font(*this).pixelSize());
  tm.ExternalLeading = std::max(0, fm.leading());
  tm.AveCharWidth = fm.averageCharWidth();
  tm.MaxCharWidth = fm.maxWidth();
  return tm;
}

void TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::string_view text) {
  QImage* image = TCanvasAccess::Image(*this);
  if (!HandleAllocated()) throw EInvalidOperation("Canvas does not allow drawing");
  if (!image || image->isNull()) return;
  QPainter& p = TCanvasAccess::Painter(*this);
  QRect clip;
  if (rect) clip = QRect(rect->Left + FOrigin.X, rect->Top + FOrigin.Y, rect->Width(), rect->Height());
  p.save();
  if (rect && (options & ETO_CLIPPED))
    p.setClipRect(clip, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  if (rect && (options & ETO_OPAQUE) && !clip.isEmpty()) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(clip, ToQColor(FBrush.Color()));
  }
  QString s = ToQString(text);
  const QFont& font = TCanvasAccess::Font(*this);
  QFontMetrics fm(font);
  int dx = x + FOrigin.X, dy = y + FOrigin.Y;
  // Clipped to a rectangle already filled with the brush, the text's own
  // background would cover nothing new; measuring it would shape the text
  // a second time.
  const bool backgroundFilled = rect && (options & ETO_OPAQUE) && (options & ETO_CLIPPED);
  if (FBkMode == bkOpaque && !s.isEmpty() && !backgroundFilled) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRect(dx, dy, fm.horizontalAdvance(s), fm.height()), ToQColor(FBrush.Color()));
  }
  PrepareText(*this, p);
  if (!s.isEmpty()) p.drawText(dx, dy + fm.ascent(), s);
  p.restore();
  TCanvasAccess::Drawn(*this);
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  ExtTextOut(x, y, 0, nullptr, text);
  FPenPos = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
  unsigned options = ETO_CLIPPED;
  if (FBrush.Style() != bsClear) options |= ETO_OPAQUE;
  TBkMode saved = FBkMode;
  // The text's own background is transparent: the opaque fill already
  // covered the rectangle (and a clear brush wants none).
  FBkMode = bkTransparent;
  try {
    ExtTextOut(x, y, options, &rect, text);
  } catch (...) {
    FBkMode = saved;
    throw;
  }
  FBkMode = saved;
}

int TCanvas::DrawText(std::string_view text, TRect& rect, unsigned format) {
  const QFont& font = TCanvasAccess::Font(*this);
  TTextLayout layout(font, format);
  int lineHeight = layout.LineHeight();
  if (format & DT_EXTERNALLEADING) lineHeight += std::max(0, layout.Metrics().leading());
  // Drawn clipped, a text of many lines shows only those that reach into
  // the rectangle: a long text is broken into lines only that far.
  std::size_t maxLines = std::numeric_limits<std::size_t>::max();
  if (!(format & (DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE)) && lineHeight > 0)
    maxLines = static_cast<std::size_t>(std::max(1, (rect.Height() + lineHeight - 1) / lineHeight));
  std::vector<TTextLine> lines = BuildLines(ToQString(text), layout, format, rect.Width(), maxLines);
  int height = static_cast<int>(lines.size()) * lineHeight;

  if (format & DT_CALCRECT) {
    int width = 0;
    for (const TTextLine& line : lines) width = std::max(width, layout.Width(line.Text));
    rect.Right = rect.Left + width;
    rect.Bottom = rect.Top + height;
    return height;
  }

  int top = rect.Top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      top = rect.Top + (rect.Height() - height) / 2;
    else if (format & DT_BOTTOM)
      top = rect.Bottom - height;
  }
  int result =
      (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) ? top + height - rect.Top : height;

  QImage* image = TCanvasAccess::Image(*this);
  if (!HandleAllocated()) throw EInvalidOperation("Canvas does not allow drawing");
  if (!image || image->isNull()) return result;
  QPainter& p = TCanvasAccess::Painter(*this);
  p.save();
  if (!(format & DT_NOCLIP)) {
    QRect clip(rect.Left + FOrigin.X, rect.Top + FOrigin.Y, rect.Width(), rect.Height());
    p.setClipRect(clip, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  }
  int y = top + FOrigin.Y;
  for (const TTextLine& line : lines) {
    int w = layout.Width(line.Text);
    int x = rect.Left;
    if (format & DT_CENTER)
      x = (rect.Left + rect.Right - w) / 2;
    else if (format & DT_RIGHT)
      x = rect.Right - w;
    x += FOrigin.X;
    if (FBkMode == bkOpaque && !line.Text.isEmpty()) {
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.fillRect(QRect(x, y, w, lineHeight), ToQColor(FBrush.Color()));
    }
    PrepareText(*this, p);
    layout.Draw(p, x, y + layout.Metrics().ascent(), line.Text);
    if (line.Underline >= 0 && line.Underline < line.Text.size()) {
      int ux = x + layout.Width(line.Text.left(line.Underline));
      int uw = layout.Metrics().horizontalAdvance(line.Text[line.Underline]);
      int uy = y + layout.Metrics().ascent() + 1;
      p.fillRect(QRect(ux, uy, uw, 1), ToQColor(FFont.Color()));
    }
    y += lineHeight;
  }
  p.restore();
  TCanvasAccess::Drawn(*this);
  return result;
}
