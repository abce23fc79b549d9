// sample_db: builds the sample directory database the program opens.
//
//   sample_db PATH [--apartments N] [--organisations M] [--force]
//
// Exit status 0 when built, 1 when the build failed or PATH exists without
// --force, 2 for a command line it cannot read.

#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "dbaccess/client/client_library.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/text/sysutils.h"
#include "tools/sample_database.h"

namespace {

constexpr std::string_view Usage =
    "usage: sample_db PATH [--apartments N] [--organisations M] [--force]\n"
    "Builds the sample directory database at PATH: a synthetic town with N rows of\n"
    "apartments (default 20000) and M rows of organisation phone lines (default 2000),\n"
    "each from 1 to 1000000. An existing PATH is kept unless --force is given.\n";

struct TArguments {
  std::string Path;
  TTownSize Size;
  bool Force = false;
  bool Help = false;
};

// A count of rows: decimal digits only, within the builder's range.
std::optional<int> ParseCount(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || text[0] == '-' || value < 1 ||
      value > MaxTownRows)
    return std::nullopt;
  return value;
}

// Reads the command line; a message for the user on the first thing it
// cannot read.
std::optional<TArguments> ParseArguments(int argc, char** argv, std::string& error) {
  TArguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      arguments.Help = true;
    } else if (arg == "--force") {
      arguments.Force = true;
    } else if (arg == "--apartments" || arg == "--organisations") {
      if (i + 1 >= argc) {
        error = std::string(arg) + " needs a number";
        return std::nullopt;
      }
      const std::optional<int> count = ParseCount(argv[++i]);
      if (!count) {
        error = std::string(arg) + " takes a whole number from 1 to " + std::to_string(MaxTownRows) +
                ", not '" + argv[i] + "'";
        return std::nullopt;
      }
      (arg == "--apartments" ? arguments.Size.Apartments : arguments.Size.OrganisationRows) = *count;
    } else if (arg.starts_with("-") && arg.size() > 1) {
      error = "unknown option " + std::string(arg);
      return std::nullopt;
    } else if (arguments.Path.empty()) {
      arguments.Path = arg;
    } else {
      error = "one PATH only, not also '" + std::string(arg) + "'";
      return std::nullopt;
    }
  }
  if (arguments.Path.empty() && !arguments.Help) {
    error = "PATH is missing";
    return std::nullopt;
  }
  return arguments;
}

int Build(const TArguments& arguments) {
  const auto start = std::chrono::steady_clock::now();
  const TSampleDatabaseSummary summary = BuildSampleDatabase(arguments.Path, arguments.Size, arguments.Force);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%s\n",
              Format("sample_db: %s: %d apartments in %d houses on %d streets, %d organisation rows of "
                     "%d organisations, in %.1f s",
                     arguments.Path, summary.Residents, summary.Houses, summary.Streets,
                     summary.OrganisationRows, summary.Organisations, elapsed.count())
                  .c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const std::optional<TArguments> arguments = ParseArguments(argc, argv, error);
  if (!arguments) {
    std::fprintf(stderr, "sample_db: %s\n%.*s", error.c_str(), static_cast<int>(Usage.size()), Usage.data());
    return 2;
  }
  if (arguments->Help) {
    std::printf("%.*s", static_cast<int>(Usage.size()), Usage.data());
    return 0;
  }

  int status = 1;
  try {
    status = Build(*arguments);
  } catch (const ESampleDatabaseExists& e) {
    std::fprintf(stderr, "sample_db: %s; --force replaces it\n", e.Message().c_str());
  } catch (const Exception& e) {
    std::fprintf(stderr, "sample_db: %s\n", e.Message().c_str());
  }
  ShutdownClientLibrary();
  return status;
}
