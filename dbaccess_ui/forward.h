#pragma once
// Declarations of the classes of the database layer's windows.

class TfrmFIBDBLoginDlg;
class TDatabaseUIScope;
