#pragma once
// The process-wide metadata caches: the table information
// (`ListTableInfo`), the dataset descriptions, the error messages, the
// stored-procedure collection and the repository existence list.
//
// They are made together on first use and freed together by the explicit
// `ShutdownMetadataCaches` at the end of the program, after
// `ShutdownDatabases` (whose closing connections may still save their
// schema cache files) and before `ShutdownQueryCache` and
// `ShutdownClientLibrary`; never by static destruction. Once shut down,
// asking for a cache raises `EInvalidOperation`; `RestartMetadataCaches`
// lets a test program start afresh.

class TpFIBTableInfoCollect;
class TpDataSetInfoCollect;
class TpErrorMessagesCollect;
class TpStoredProcCollect;
class TRepositoryExistence;

TpFIBTableInfoCollect& ListTableInfo();
TpDataSetInfoCollect& ListDataSetInfo();
TpErrorMessagesCollect& ListErrorMessages();
TpStoredProcCollect& ListStoredProcInfo();
TRepositoryExistence& RepositoryExistence();

// False once ShutdownMetadataCaches has run (until a restart).
bool MetadataCachesAvailable();

// Frees every cache: error messages, existence list, dataset descriptions,
// stored procedures, then the table information.
void ShutdownMetadataCaches() noexcept;
// Frees them as ShutdownMetadataCaches does and lets the next use make new
// ones: a test program lives many programs' lives in one process.
void RestartMetadataCaches() noexcept;
