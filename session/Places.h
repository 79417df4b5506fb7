#pragma once
// Places in the output that open: web addresses, and file locations as compilers, linters and
// tracebacks write them. Recognition works on one line of text and knows no window and no file
// system; whether a location's file exists is asked only when a place is about to be shown or
// opened (ResolvePlace).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum tPlaceKind : std::uint8_t {
  pkAddress,  // an http:// or https:// address
  pkFile,     // a file, with a line and maybe a column
};

// One way to read the path of a location: where it starts in the line and what it is.
struct tPlacePath {
  std::size_t Start = 0;
  std::wstring Path;
  friend bool operator==(const tPlacePath&, const tPlacePath&) = default;
};

// A place as written in a line. Positions count UTF-16 units from the line's start.
struct tPlace {
  tPlaceKind Kind = pkAddress;
  // The address, or the first reading of the path, starts here; the place ends at End.
  std::size_t Start = 0;
  std::size_t End = 0;
  std::wstring Address;
  // The readings of the path, the longest first: a path with blanks is read as such where the
  // line allows, and as its last word as well, so that the file that exists decides.
  std::vector<tPlacePath> Paths;
  int Line = 0;
  int Column = 0;  // 0 when none is given
};

// Recognition looks at no more of a line than this.
inline constexpr std::size_t kPlaceLineLimit = 8192;

// The places of one line (without its line break), left to right, none overlapping.
std::vector<tPlace> FindPlaces(std::wstring_view line);

// The folder of a command interpreter's prompt at the start of the line ("C:\work>dir" gives
// "C:\work"); none when the line does not start with one.
std::optional<std::wstring> PromptFolder(std::wstring_view line);

// A path as written, made absolute against the folder (a path that is absolute already stays as
// it is, a rooted one takes the folder's drive or network share), with "." and ".." resolved
// unless a namespace prefix ("\\?\", "\??\") asks for the path as written.
std::wstring AbsolutePlacePath(std::wstring_view path, std::wstring_view folder);

// Where a path leads. A network path ("\\host\share\a.c", "//host/share/a.c", "\\?\UNC\host\...",
// or a relative one under such a folder) reaches another computer with the user's logon; a device
// path ("\\.\COM1", "\\?\GLOBALROOT\...", a name such as "NUL" or "com1.txt" in any folder) is
// no file.
enum tPathReach : std::uint8_t {
  prLocal,
  prNetwork,
  prDevice,
};
tPathReach PathReach(std::wstring_view path);
// The computer a network path names; empty for any other path.
std::wstring NetworkHost(std::wstring_view path);

// A place made ready to open: the address, or the full path of an existing file, or of a file on
// the network, whose existence is not known.
struct tPlaceTarget {
  tPlaceKind Kind = pkAddress;
  std::size_t Start = 0;  // in the line; the reading that exists may start later than the place
  std::size_t End = 0;
  std::wstring Target;
  int Line = 0;
  int Column = 1;  // 1 when the place gives none
  tPathReach Reach = prLocal;
  friend bool operator==(const tPlaceTarget&, const tPlaceTarget&) = default;
};

// What a link that the output marked (OSC 8) opens: an http or https address as it is; a file URI
// ("file:///C:/a%20b.c", "file://localhost/C:/...") as the path it names, percent-decoded, and one
// with another host as a network path ("file://host/share/x" is "\\host\share\x"). None for
// every other scheme, for a device, and for what is no well-formed URI of these. Its Start and
// End are the caller's to set; a file opens at its first line.
std::optional<tPlaceTarget> LinkPlace(std::wstring_view uri);

// Whether a path names a file (not a folder) that exists.
using tFileExists = std::function<bool(const std::wstring& path)>;
bool FileExists(const std::wstring& path);

// The place as it would open: an address as it is; a location by its first reading that is on the
// network or names an existing file, relative paths taken from the folder. Readings of devices are
// passed over, and only local files are asked for. None when no reading is left.
std::optional<tPlaceTarget> ResolvePlace(const tPlace& place, std::wstring_view folder,
                                         const tFileExists& exists = FileExists);
