#pragma once
// The narrow door between the connection, the transaction and the statement
// links: each keeps a list that the others must update (a connection's
// transactions and links, a transaction's databases and links), and only
// these three classes can make the key that the bookkeeping members ask for.

class TFIBListKey {
 private:
  friend class TFIBDatabase;
  friend class TFIBTransaction;
  friend class TFIBBase;
  TFIBListKey() = default;
};
