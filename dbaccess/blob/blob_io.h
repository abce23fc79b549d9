#pragma once
// Whole-blob reads and writes for the SQL descriptor: a blob column's text
// is read in one go, and a long text written to a parameter becomes a new
// blob whose identifier the parameter then holds. The handles belong to the
// statement's connection and transaction; these routines only borrow them.

#include <cstdint>
#include <string>
#include <string_view>

class TObject;

// The 8-byte identifier of a blob or an array (the client API's ISC_QUAD).
struct TISCQuad {
  std::int32_t High = 0;
  std::uint32_t Low = 0;
  bool IsZero() const { return High == 0 && Low == 0; }
  friend bool operator==(const TISCQuad&, const TISCQuad&) = default;
};

// Where a blob lives: the addresses of the connection's and the
// transaction's client handles, and the component a server error is raised
// for (its path heads the message; may be null).
struct TBlobPlace {
  std::uint32_t* Database = nullptr;
  std::uint32_t* Transaction = nullptr;
  TObject* Sender = nullptr;
};

// The whole content of the blob. A zero identifier reads as empty.
std::string ReadBlobContent(const TBlobPlace& place, const TISCQuad& id);
// Creates a new blob holding the content and returns its identifier.
TISCQuad WriteBlobContent(const TBlobPlace& place, std::string_view content);
