#include "dbaccess/metadata/layer_shutdown.h"

#include "dbaccess/cache/cache_memory.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/statement/query_cache.h"
#include "dbaccess/trace/sql_monitor.h"

void ShutdownDatabaseLayer() noexcept {
  // Closing connections may still save schema cache files and trace their
  // detaches; the caches go after them, the library last.
  ShutdownDatabases();
  ShutdownMetadataCaches();
  ShutdownQueryCache();
  ShutdownSQLMonitor();
  ReleaseCacheMemory();
  ShutdownClientLibrary();
}
