#include "engine/sections/OutlineTexts.h"

#include "engine/sections/Outline.h"

namespace engine {

namespace {

constexpr std::size_t kLookedAhead = 16;  // a character reference is read whole

// The text of a section whose first visible character, at `first`, is one of those of the
// cached text: the cached text from there on, then as many characters as that left out,
// from where it stopped. False where it cannot be made so.
bool TextFromHolder(const std::uint8_t* d, std::size_t base, std::size_t first, std::size_t end,
                    TextEncoding shown, OutlineTextCache& cache, std::string& text) {
  const TextPlaces& places = cache.places;
  if (!places.bOneByOne || cache.nFirst < base) return false;
  const std::size_t at = first - cache.nFirst;
  std::size_t i = 1;  // the first character is at 0
  while (i < places.nChars && places.anChar[i] != at) ++i;
  if (i >= places.nChars) return false;
  // The characters before it say where it begins in the cached text, after the space that
  // parted them from it.
  std::string& more = cache.strMore;
  MakeVisibleText(d + (cache.nFirst - base), at, shown, kOutlineChars, nullptr, more);
  const std::size_t from = more.size() + (places.anChar[i - 1] == TextPlaces::kNoPlace ? 1 : 0);
  if (from > cache.strText.size() || cache.strText.compare(0, more.size(), more) != 0) return false;
  TextPlaces morePlaces;
  MakeVisibleText(d + (cache.nStop - base), end - cache.nStop, shown, kOutlineChars, nullptr, more,
                  &morePlaces, kOutlineChars - i);
  // Converted whole, its characters might come out otherwise than in a text of its own.
  if (!morePlaces.bOneByOne) return false;
  text.assign(cache.strText, from);
  text += more;
  return true;
}

// Where the first visible character of a section that starts at a tag the cached text's
// section looked at is, as it is that one's or one of its text's. False where it is not
// known so.
bool FirstFromHolder(const std::uint8_t* d, std::size_t base, std::size_t start, std::size_t end,
                     const OutlineTextCache& cache, std::size_t& first) {
  if (cache.nFirst == static_cast<std::size_t>(-1) || start < cache.nStart || end > cache.nEnd) {
    return false;
  }
  if (start < cache.nFirst) {
    // Past the holder's first character, this section reads it as that one did: a
    // reference is looked for in ten bytes.
    if (!cache.leading.Has(start - cache.nStart) || end <= cache.nFirst) return false;
    if (d[cache.nFirst - base] == '&' && end - cache.nFirst < 10) return false;
    first = cache.nFirst;
    return true;
  }
  const TextPlaces& places = cache.places;
  if (end < cache.nStop + kLookedAhead || !places.tags.Has(start - cache.nFirst)) return false;
  for (std::size_t i = 0; i < places.nChars; ++i) {
    const std::size_t at = places.anChar[i];
    if (at != TextPlaces::kNoPlace && at > start - cache.nFirst) {
      first = cache.nFirst + at;
      return true;
    }
  }
  return false;
}

}  // namespace

// A nested section mostly starts with the words of the one that holds it, or a few
// characters into them: its text is made from that one's, when it reaches past where those
// words ended (and past what was looked at beyond them).
void MakeOutlineText(const std::uint8_t* d, std::size_t base, std::size_t start, std::size_t length,
                     TextEncoding shown, OutlineTextCache& cache, std::string& text) {
  const std::size_t end = start + length;
  TagPlaces leading;
  std::size_t first = 0;
  if (!FirstFromHolder(d, base, start, end, cache, first)) {
    first = start + FirstVisible(d + (start - base), length, &leading);
  }
  if (cache.nFirst <= first && end >= cache.nStop + kLookedAhead) {
    if (first == cache.nFirst) {
      text = cache.strText;
      return;
    }
    if (first < cache.nStop && TextFromHolder(d, base, first, end, shown, cache, text)) return;
  }
  std::size_t stop = 0;
  TextPlaces places;
  MakeVisibleText(d + (first - base), end - first, shown, kOutlineChars, &stop, text, &places);
  // Only words that ended well inside their section are the same in a longer one.
  if (first + stop + kLookedAhead <= end) {
    cache.nFirst = first;
    cache.nStop = first + stop;
    cache.strText = text;  // into the room it has
    cache.nStart = start;
    cache.nEnd = end;
    cache.leading = leading;
    cache.places = places;
  }
}

// Bytes that cannot be read (no memory, a file cut meanwhile, or more than kMaxRead) are
// taken from the view.
void COutlineBytes::Load(std::size_t start, std::size_t end) {
  constexpr std::size_t kMaxRead = 8u << 20;
  m_pBytes = m_pView;
  m_nBase = m_nSize = 0;
  if (m_source == platform::kNoFileHandle || start >= end || end - start > kMaxRead) return;
  if (const std::uint8_t* read = m_read.Read(m_source, start, end - start)) {
    m_pBytes = read;
    m_nBase = start;
    m_nSize = end - start;
  }
}

}  // namespace engine
