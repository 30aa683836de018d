#include "wizard/pages/PageTable.h"

#include "base/NoCase.h"
#include "wizard/ChildForms.h"

namespace pf::wizard::PageTable {

Term ServerIs(std::initializer_list<int> types) {
  int mask = 0;
  for (int t : types) mask |= 1 << t;
  return {Term::ServerIs, nullptr, mask};
}

namespace {

using K = Kind;

constexpr int kSqlServer = 1, kSybase = 2, kOracle = 3, kPostgres = 4;  // server types; 0 is Access

// The table is laid out by hand, one control a line, so that it reads like the pages.
// clang-format off
std::vector<Page> MakePages() {
  return {
      {"frmChild0StartPage", nullptr, nullptr, {}, {}, true},

      {"frmChildProfile", nullptr,
       "A profile holds every choice of this wizard for one database class. Pick a recent "
       "profile from the list, or type the path of another one and press Enter, or browse for it.",
       {
           {K::EditList, "cmbProfile", nullptr, "&Profile file:"},
           {K::Button, "btnBrowse", nullptr, "&Browse...", {}, nullptr, true},
           {K::Button, "btnSaveAs", nullptr, "Save &As...", {},
            "Save As writes the open profile to a new file and makes it the current one; the old file "
            "stays as it was. Before another profile is opened, the open one is saved to its own file, "
            "so nothing you typed is lost."},
       }},

      {"frmChildSrvr", "Server",
       "Choose the server the class is generated for and the connection through which the wizard "
       "reads its stored procedures. This connection is used only while generating; the class "
       "gets its own (Class Connection Source, Class Default Connection).",
       {
           {K::Options, "optSrvrType", "SrvrType", "Database server",
            {"Microsoft &Access", "Microsoft &SQL Server", "S&ybase", "O&racle", "&PostgreSQL"}},
           {K::Text, "txtConnPfg", "ConnPfg", "&Connection string for reading the catalogue:"},
           {K::Text, "txtPgSchemas", "PgSchemas", "PostgreSQL sche&mas to read (empty: the search path):", {},
            "Schemas as a search path names them, for example app, public. Calls then name the schema."},
           {K::Button, "btnDesign", nullptr, "&Design...", {}, nullptr},
           {K::Button, "btnUseSnapshot", nullptr, "Use a s&napshot file...", {}, nullptr, true},
           {K::Button, "btnCheckConnection", nullptr, "&Test Connection", {}, nullptr, true},
           {K::Button, "btnConnDetails", nullptr, "Detai&ls...", {},
            "A catalogue snapshot file (Procforge.Snapshot) stands in for a server that is not at hand. Details "
            "reports what the server answers to each catalogue request: attach it, with a snapshot, when "
            "reporting a server that does not work.",
            true},
       },
       {{"txtPgSchemas", -1, {OptionSet("optSrvrType", kPostgres)}}}},

      {"frmChildStdConfigs", nullptr,
       "A predefined configuration sets the options of all following pages at once for a typical "
       "use of the class. The server, its connection and the output file names are kept.",
       {
           {K::Options, "optConfType", nullptr, "Configuration",
            {"&Class in Full-Scale COM+ Middle-Tier Component in WEB Application",
             "C&lass Used Directly from ASP Script in WEB Application",
             "COM &DLL Class Used by Client/Server Desktop Application",
             "&No, thanks, I will configure Procforge manually"}},
           {K::Button, "btnConfigure", nullptr, "&Apply", {},
            "COM+: transactions by COM+, connection from the construction string. ASP: Variant "
            "parameters, errors abort the transaction instead of being raised. Desktop: the values of a "
            "new profile."},
       },
       {{"btnConfigure", -1, {OptionNotSet("optConfType", 3)}}}},

      {"frmChildMeth", "StoredProc",
       "Choose what the class wraps. Every stored procedure becomes a typed method that sets its "
       "parameters, executes it and hands back its results.",
       {
           {K::Check, "chkAddSPMethods", "AddSPMethods", "Generate a &method for every stored procedure"},
           {K::Check, "chkAddOraFunctions", "AddOraFunctions", "Also wrap database &functions",
            {}, "Functions are read on SQL Server, Oracle and PostgreSQL only."},
           {K::Check, "chkAddExecSPbyName", "AddExecSPByName",
            "Add a function that executes a procedure by &name", {},
            "It needs the parameter-definitions module, a constant per procedure; name its file on the "
            "Output Files page."},
       },
       {{"chkAddOraFunctions", -1, {Ticked("chkAddSPMethods"), ServerIs({kSqlServer, kOracle, kPostgres})}}}},

      {"frmChildMethPackages", "Packages",
       "Oracle only. Select the packages whose procedures are wrapped; \"(Unpackaged)\" stands for the "
       "procedures outside any package. A package's prefix goes after the general method prefix.",
       {
           {K::ListBox, "lstPackages", nullptr, "&Packages (the selected ones are wrapped):"},
           {K::Text, "txtPrefix", nullptr, "Method name p&refix of the package clicked:"},
           {K::Button, "btnRefresh", nullptr, "Re&fresh", {}, nullptr},
           {K::Button, "btnSelectAll", nullptr, "Select &All", {}, nullptr, true},
           {K::Button, "btnUnselectAll", nullptr, "U&nselect All", {},
            "Refresh reads the package list from the server; the prefixes and selections you made stay.", true},
       },
       {{"lstPackages", -1, {ServerIs({kOracle})}},
        {"txtPrefix", -1, {ServerIs({kOracle})}},
        {"btnRefresh", -1, {ServerIs({kOracle})}},
        {"btnSelectAll", -1, {ServerIs({kOracle})}},
        {"btnUnselectAll", -1, {ServerIs({kOracle})}}}},

      {"frmChildMethFilter", "StoredProc",
       "Only the procedures that pass these filters get a method. Patterns are separated by \";\"; "
       "* stands for any text, ? for one character; letter case is ignored.",
       {
           {K::Check, "chkUseFilterInc", "MethUseFilterInc", "&Include only procedures whose names match:"},
           {K::Text, "txtMethFilterInc", "MethFilterInc", nullptr, {},
            "With this filter on and no pattern, no procedure is wrapped."},
           {K::Check, "chkUseFilterExc", "MethUseFilterExc", "Ex&clude procedures whose names match:"},
           {K::Text, "txtMethFilterExc", "MethFilterExc", nullptr, {},
            "Exclusion wins over inclusion. On Oracle the names include the package (PKG.PROC)."},
       },
       {{"txtMethFilterInc", -1, {Ticked("chkUseFilterInc")}},
        {"txtMethFilterExc", -1, {Ticked("chkUseFilterExc")}}}},

      {"frmChildMethRetVal", "StoredProc",
       "Choose what the generated methods return. Output parameters and recordsets come back "
       "through the method's arguments either way.",
       {
           {K::Options, "optRetVal", "RetValType", "Method return value",
            {"The procedure's &integer return value (SQL Server and Sybase)", "&True or False for success"}},
       },
       {{"optRetVal", 0, {ServerIs({kSqlServer, kSybase})}}}},

      {"frmChildMethNames", "StoredProc",
       "How method names are made from procedure names: the prefixes are removed, the name is "
       "capitalised, and your prefix is put in front. With the defaults sp_get_customer becomes "
       "ExecGetCustomer.",
       {
           {K::Text, "txtRmvPfxs", "MethRmvPfxs", "&Remove these prefixes (separated by \";\"):"},
           {K::Check, "chkConvToWCap", "MethConvToWCap", "Convert to &WordCap (get_customer becomes GetCustomer)"},
           {K::Check, "chkFirstCap", "MethFirstCap", "Only capitalise the &first letter", {},
            "WordCap wins when both are ticked."},
           {K::Text, "txtAttachPfx", "MethAddPfx", "&Put this prefix in front of every method name:"},
       }},

      {"frmChildMethPrmNames", "StoredProc",
       "How the methods' argument names are made from parameter names. With the defaults, "
       "@p_customer_id of type int becomes lngCustomerId.",
       {
           {K::Text, "txtRemovePfx", "PrmRmvPfx", "&Remove these prefixes (separated by \";\"):"},
           {K::Check, "chkConvToWCap", "PrmConvToWCap", "Convert to &WordCap (customer_id becomes CustomerId)"},
           {K::Check, "chkFirstCap", "PrmFirstCap", "Only capitalise the &first letter"},
           {K::Check, "chkAttachVBTypePrefix", "PrmAddTypePfx", "Put the standard &type prefix in front (str, lng, dt...)"},
           {K::Text, "txtAttachPfx", "PrmAddPfx", "&Put this prefix in front of every argument name:", {},
            "Your prefix comes before the type prefix: p and strName give pstrName."},
       }},

      {"frmChildMethTypeModel", "StoredProc",
       "How the arguments of the generated methods are declared. Variant arguments suit callers "
       "such as scripts, which cannot pass typed variables by reference.",
       {
           {K::Options, "optByRefVal", "ByRefVal", "Passing arguments",
            {"&Input by value, output and in-out by reference", "All by &reference", "All by va&lue"}},
           {K::Options, "optTypeModel", "TypeModel", "Argument types",
            {"&Matching types for all arguments", "Ma&tching types by value, Variant by reference",
             "&All arguments Variant"}},
       }},

      {"frmChildMethFKNulls", "StoredProc",
       "Callers often pass 0 for a foreign key that has no value. The class can send NULL to the "
       "server instead, for the numeric parameters whose names match the patterns.",
       {
           {K::Check, "chkNullsNum", "NullForZeroNums", "Pass &NULL instead of 0 for numeric parameters matching:"},
           {K::Text, "txtNullsNumPttn", "NullForZeroNumsPttn", nullptr, {},
            "Patterns are separated by \";\"; * stands for any text: *_id matches customer_id."},
       },
       {{"txtNullsNumPttn", -1, {Ticked("chkNullsNum")}}}},

      {"frmChildMethDTOvrd", "StoredProc",
       "Override the Visual Basic types that arguments get from their database types. Only the "
       "options of the profile's server type apply.",
       {
           {K::Heading, "lblMSTypes", nullptr, "SQL Server and Sybase"},
           {K::Check, "chkTypeUseLong", "MSUseLongForInts", "Use &Long for all integer types"},
           {K::Check, "chkTypeUseDouble", "MSUseDblForFloat", "Use &Double for all float types"},
           {K::Check, "chkTypeUseDoubleForMoney", "MSUseDblForMoney", "Use Double instead of &Currency for money"},
           {K::Check, "chkTypeUseStringForGUID", "MSUseStrForGuid", "Use &String instead of Variant for GUIDs"},
           {K::Heading, "lblOraTypes", nullptr, "Oracle"},
           {K::Check, "chkUseLongForZeroScale", "OraLongForZeroScale", "Use Lon&g for NUMBER with scale 0"},
           {K::Check, "chkForceLongType", "OraForceLong", "&Force Long for numeric arguments whose names match:"},
           {K::Text, "txtForceLongPttns", "OraForceLongPttns", nullptr},
       },
       {{"chkTypeUseLong", -1, {ServerIs({kSqlServer, kSybase})}},
        {"chkTypeUseDouble", -1, {ServerIs({kSqlServer, kSybase})}},
        {"chkTypeUseDoubleForMoney", -1, {ServerIs({kSqlServer, kSybase})}},
        {"chkTypeUseStringForGUID", -1, {ServerIs({kSqlServer, kSybase})}},
        {"chkUseLongForZeroScale", -1, {ServerIs({kOracle})}},
        {"chkForceLongType", -1, {ServerIs({kOracle})}},
        {"txtForceLongPttns", -1, {ServerIs({kOracle}), Ticked("chkForceLongType")}}}},

      {"frmChildFunc", "AddnlFunc",
       "How the class is exposed to other projects. Private suits a class inside one program; an "
       "ActiveX DLL needs a public instancing, and COM+ needs one too.",
       {
           {K::List, "cmbInstancing", "Instancing", "Class &instancing:",
            {"1 - Private", "2 - PublicNotCreatable", "5 - MultiUse", "6 - GlobalMultiUse"}},
           {K::Check, "chkImplClsIFace", "ImplClassIFace", "Implement the class Initialize and &Terminate handlers",
            {}, "The following pages add features to the class; every one adds code, so add only what you use."},
       }},

      {"frmChildFuncComp", "AddnlFunc",
       "For a class that runs inside a COM+ application: its transaction mode and the COM+ "
       "interfaces it implements.",
       {
           {K::Check, "chkCOMPConfigured", "COMPlus", "The class runs in a &COM+ application", {},
            "Needs a public instancing: with 1 - Private (Class Functionality page) the box is greyed out."},
           {K::List, "cmbMTSSetting", "COMPMTSSetting", "&Transaction mode:",
            {"0 - NotAnMTSObject", "1 - NoTransactions", "2 - RequiresTransaction", "3 - UsesTransaction",
             "4 - RequiresNewTransaction"}},
           {K::Check, "chkObjControl", "COMPObjControl", "&Implement ObjectControl (activation, pooling)"},
           {K::Check, "chkObjConstruct", "COMPObjConstruct", "Implement IObjectCo&nstruct (construction string)"},
       },
       {{"chkCOMPConfigured", -1, {KeyNotZero("AddnlFunc.Instancing")}},
        {"cmbMTSSetting", -1, {Enabled("chkCOMPConfigured"), Ticked("chkCOMPConfigured")}},
        {"chkObjControl", -1, {Enabled("chkCOMPConfigured"), Ticked("chkCOMPConfigured")}},
        {"chkObjConstruct", -1, {Enabled("chkCOMPConfigured"), Ticked("chkCOMPConfigured")}}}},

      {"frmChildFuncTrans", "AddnlFunc",
       "How the class controls transactions around the procedures it executes.",
       {
           {K::Options, "optTransControlMethod", "Trans", "Transaction control",
            {"&No transaction control in the class", "Through &COM+ services (SetComplete, SetAbort)",
             "Through the &ADO connection (BeginTrans, CommitTrans)",
             "&Detected at run time: COM+ inside a COM+ transaction, else ADO"},
            "COM+ services need the COM+ option (COM+ page)."},
       },
       {{"optTransControlMethod", 1, {KeyTrue("AddnlFunc.COMPlus")}}}},

      {"frmChildFuncConnSrc", "AddnlFunc",
       "Where the generated class finds its connection string at run time.",
       {
           {K::Options, "optConnectSrc", "ConnSrcType", "Connection source",
            {"The a&pplication assigns it, else the default string", "The COM+ co&nstruction string",
             "A data &link file", "The &registry"},
            "The COM+ construction string needs the COM+ option (COM+ page)."},
           {K::Text, "txtLinkFile", "LinkFile", "Link &file:"},
           {K::Button, "btnBrowseLink", nullptr, "&Browse...", {}, nullptr, true},
           {K::Button, "btnEditLink", nullptr, "Ed&it File", {}, nullptr, true},
           {K::Button, "btnTestLink", nullptr, "&Test", {}, nullptr, true},
           {K::List, "cmbLinkFileMode", "LinkFileMode", "File name &mode:",
            {"As is, full file name", "File name only, without path", "Attach application path to filename"}},
           {K::Text, "txtRegKey", "RegSubKey", "Registry &sub-key (local machine):"},
           {K::Text, "txtValueName", "RegValName", "V&alue name:"},
           {K::Button, "btnTestReg", nullptr, "Test on this &computer", {}, nullptr, true},
           {K::Check, "chkErrIfRegFailed", "ErrIfRegFailed", "Raise an error when the registry cannot be rea&d"},
       },
       {{"optConnectSrc", 1, {KeyTrue("AddnlFunc.COMPlus")}},
        {"txtLinkFile", -1, {OptionSet("optConnectSrc", 2)}},
        {"btnBrowseLink", -1, {OptionSet("optConnectSrc", 2)}},
        {"btnEditLink", -1, {OptionSet("optConnectSrc", 2)}},
        {"cmbLinkFileMode", -1, {OptionSet("optConnectSrc", 2)}},
        {"btnTestLink", -1, {OptionSet("optConnectSrc", 2), NotBlank("txtLinkFile")}},
        {"txtRegKey", -1, {OptionSet("optConnectSrc", 3)}},
        {"txtValueName", -1, {OptionSet("optConnectSrc", 3)}},
        {"chkErrIfRegFailed", -1, {OptionSet("optConnectSrc", 3)}},
        {"btnTestReg", -1, {OptionSet("optConnectSrc", 3), NotBlank("txtRegKey"), NotBlank("txtValueName")}}},
       false, "frmChildSrvrConnSrc"},

      {"frmChildFuncSQL", "AddnlFunc",
       "Besides its stored-procedure methods, the class can run SQL statements you write.",
       {
           {K::Check, "chkAddExecSQL", "AddExecSQL", "Add methods that execute &SQL statements", {},
            "They return recordsets or row counts and take parameters like the procedure methods."},
       }},

      {"frmChildFuncBatch", "AddnlFunc",
       "Batch execution collects several procedure calls and sends them to the server as one "
       "statement. It needs SQL Server, Sybase or Oracle.",
       {
           {K::Check, "chkAddBatch", "Batch", "Add &batch execution"},
           {K::Text, "txtBatchDateFmt", "BatchDateFmt", "Server's default &date format (Oracle):", {},
            "Dates in an Oracle batch are written in this format, which must match the server's."},
       },
       {{"chkAddBatch", -1, {ServerIs({kSqlServer, kSybase, kOracle})}},
        {"txtBatchDateFmt", -1, {ServerIs({kOracle}), Ticked("chkAddBatch")}}}},

      {"frmChildFuncRSNav", "AddnlFunc",
       "Helper methods the class gets for the recordsets and the connection it works with.",
       {
           {K::Check, "chkADOMultipleRS", "MultipleRS", "Methods for &several recordsets (not on Access)"},
           {K::Check, "chkADORsMethods", "RSMethods", "Recordset &navigation methods"},
           {K::Check, "chkADOAddFmt", "ValFmt", "Automatic field value &formatting"},
           {K::Check, "chkTestConn", "AddTestConn", "A connection &test method"},
           {K::Check, "chkADOVersion", "AddADOVersion", "A property giving the &ADO version"},
       },
       {{"chkADOMultipleRS", -1, {ServerIs({kSqlServer, kSybase, kOracle})}}}},

      {"frmChildFuncXML", "AddnlFunc",
       "The class can hand back the results of a procedure as XML text.",
       {
           {K::Check, "chkXMLBasic", "XMLBasic", "&Basic XML output"},
           {K::Check, "chkXMLAdv", "XMLAdvanced", "&Advanced XML output", {},
            "A project using XML output also needs the module pfgXMLUtils.bas, installed with the program."},
       }},

      {"frmChildErrHndl", "ErrHndl",
       "How the class reports errors. The error library (Faultnet31.bas, installed with the program) "
       "gives every error a report with the procedures it passed through.",
       {
           {K::Check, "chkUseErrorLib", "UseFaultnet", "Use &the error library"},
           {K::Check, "chkAddStopOnError", "AddStopOnError", "Public methods &stop at once after an earlier error"},
           {K::Check, "chkDisClsOnError", "DisClassOnError", "&Disable the class after an error"},
       },
       {{"chkAddStopOnError", -1, {Ticked("chkUseErrorLib")}},
        {"chkDisClsOnError", -1, {Ticked("chkUseErrorLib")}}}},

      {"frmChildErrHndlLog", "ErrHndl",
       "Where the error library writes the reports of the class's errors. Logging needs the error "
       "library (Error Handling page).",
       {
           {K::Check, "chkLogToEvLog", "LogToEvtLog", "&Write reports to the system event log"},
           {K::Check, "chkLogToFile", "LogToFile", "Append reports to a &file:"},
           {K::Text, "txtFile", "LogFileName", nullptr},
           {K::Check, "chkLogToDB", "LogToDB", "Store reports through a stored &procedure"},
           {K::Check, "chkLogInOtherDB", "LogInOtherDB", "&The error log is in another database"},
           {K::Text, "txtSPName", "ErrLogSPName", "Error-log procedure &name:"},
       },
       {{"chkLogToEvLog", -1, {KeyTrue("ErrHndl.UseFaultnet")}},
        {"chkLogToFile", -1, {KeyTrue("ErrHndl.UseFaultnet")}},
        {"chkLogToDB", -1, {KeyTrue("ErrHndl.UseFaultnet")}},
        {"txtFile", -1, {KeyTrue("ErrHndl.UseFaultnet"), Ticked("chkLogToFile")}},
        {"txtSPName", -1, {KeyTrue("ErrHndl.UseFaultnet"), Ticked("chkLogToDB")}},
        {"chkLogInOtherDB", -1, {KeyTrue("ErrHndl.UseFaultnet"), Ticked("chkLogToDB")}}}},

      {"frmChildInit", nullptr,
       "The following pages set the values the class starts with: its ADO settings, default "
       "connection, actions after every command, NULL handling, string length checks and error "
       "behaviour. Code using the class can change each of them at run time.",
       {}},

      {"frmChildInitADO", "IniOptions",
       "The ADO settings the class starts with for its recordsets and commands.",
       {
           {K::List, "cmbCursorLocation", "CurLocation", "Cursor &location:",
            {"adUseClient (default in ADO)", "adUseServer"}},
           {K::List, "cmbCursorType", "CurType", "Cursor &type:",
            {"adOpenForwardOnly (default in ADO)", "adOpenKeyset", "adOpenDynamic", "adOpenStatic"}},
           {K::List, "cmbLockType", "LockType", "Loc&k type:",
            {"adLockReadOnly (default in ADO)", "adLockPessimistic", "adLockOptimistic", "adLockBatchOptimistic"}},
           {K::Number, "txtConnTimeout", "ConnTimeout", "&Connection timeout (seconds):"},
           {K::Number, "txtCmdTimeout", "CmdTimeout", "Co&mmand timeout (seconds):", {},
            "0 stands for the defaults, 15 and 60 seconds."},
           {K::Check, "chkAsyncExec", "AsyncExec", "Execute &asynchronously"},
           {K::Check, "chkAsyncFetch", "AsyncFetch", "&Fetch asynchronously"},
           {K::Check, "chkAsyncFetchNonB", "AsyncFetchNonBlocking", "Fetch asynchronously &without blocking"},
       }},

      {"frmChildInitConnDft", "IniOptions",
       "The connection string the class uses when the application assigns none.",
       {
           {K::Check, "chkConnUseDft", "ConnUseDft", "U&se a default connection string:"},
           {K::Text, "txtConnDft", "ConnDftString", nullptr},
           {K::Button, "btnCopy", nullptr, "&Copy from Server Page"},
           {K::Button, "btnDesign", nullptr, "&Design...", {}, nullptr, true},
           {K::Button, "btnTest", nullptr, "&Test Connection", {},
            "The string is compiled into the class: a password in it can be read by anyone who has "
            "the program.", true},
       },
       {{"txtConnDft", -1, {Ticked("chkConnUseDft")}},
        {"btnDesign", -1, {Ticked("chkConnUseDft")}},
        {"btnCopy", -1, {Ticked("chkConnUseDft")}},
        {"btnTest", -1, {Ticked("chkConnUseDft"), NotBlank("txtConnDft")}}}},

      {"frmChildInitAfterExec", "IniOptions",
       "What the class does automatically after every command it executes.",
       {
           {K::Check, "chkConnClose", "AutoConnClose", "&Close the connection"},
           {K::Check, "chkConnRelease", "AutoReleaseADO", "&Release the connection object"},
           {K::Check, "chkRsetDisconnect", "AutoDisconnRset", "&Disconnect the recordset"},
           {K::Check, "chkRsetSkipClosed", "AutoSkipClosed", "&Skip closed recordsets (needs several recordsets)"},
           {K::Check, "chkCheckRetVal", "AutoCheckRetVal", "Raise an error for a &non-zero return value", {},
            "Return values are read on SQL Server and Sybase."},
       },
       {{"chkRsetSkipClosed", -1, {KeyTrue("AddnlFunc.MultipleRS")}},
        {"chkCheckRetVal", -1, {ServerIs({kSqlServer, kSybase})}}}},

      {"frmChildInitNulls", "IniOptions",
       "The class can send NULL to the server for argument values that mean \"nothing\".",
       {
           {K::Check, "chkNullsStr", "NullForEmptyStr", "&Pass NULL for empty strings"},
           {K::Check, "chkNullsDate", "NullForZeroDate", "Pass NULL for &zero dates"},
       }},

      {"frmChildInitStrLen", "IniOptions",
       "What the class does with a string argument longer than its parameter allows. Choose one "
       "of the two, or neither to let the server decide.",
       {
           {K::Check, "chkRaiseErr", "StrLenRaise", "&Raise an error"},
           {K::Check, "chkTrim", "StrLenTrim", "&Trim the string to the allowed length"},
       },
       {}, false, "frmChildMethStrLen"},

      {"frmChildInitErrH", "IniOptions",
       "What the class's public methods do when an error occurs.",
       {
           {K::Check, "chkErrSetAbort", "ErrSetAbort", "&Abort the transaction"},
           {K::Check, "chkErrDisableCommit", "ErrDisCommit", "&Disable the COM+ commit (needs COM+)"},
           {K::Check, "chkIniReraise", "ErrReraise", "&Re-raise the error to the caller", {},
            "Without it the error is kept in the class for the caller to look at."},
       },
       {{"chkErrDisableCommit", -1, {KeyTrue("AddnlFunc.COMPlus")}}}},

      {"frmChildInclude", "Code",
       "Code of your own can be merged into the generated class, where methods of the same name "
       "replace the generated ones, and a reminder can mark the class.",
       {
           {K::Check, "chkIncCode", "IncCode", "&Include or override code from a file:"},
           {K::Text, "txtIncCode", "IncFileName", nullptr},
           {K::Button, "btnBrowse", nullptr, "&Browse...", {}, nullptr, true},
           {K::Check, "chkIncTaggedOnly", "IncUseTags", "Use only the code between the include &tags"},
           {K::Check, "chkMemberList", "MemberList", "List the public &members at the start of the class"},
           {K::Check, "chkNoDBEnums", "NoDBEnums", "&Leave the public enumerations out"},
           {K::Check, "chkIncReminder", "Rmndr", "&Put a reminder into the class:"},
           {K::Text, "txtReminder", "RmndrText", nullptr},
           {K::Check, "chkRmdrAt", "RmndrAt", "Put it &next to the method:"},
           {K::Text, "txtRmndrAtMethName", "RmndrAtMeth", nullptr, {}, nullptr, true},
       },
       {{"txtIncCode", -1, {Ticked("chkIncCode")}},
        {"chkIncTaggedOnly", -1, {Ticked("chkIncCode")}},
        {"btnBrowse", -1, {Ticked("chkIncCode")}},
        {"txtReminder", -1, {Ticked("chkIncReminder")}},
        {"chkRmdrAt", -1, {Ticked("chkIncReminder")}},
        {"txtRmndrAtMethName", -1, {Ticked("chkIncReminder"), Ticked("chkRmdrAt")}}}},

      {"frmChildOutputFiles", "Code",
       "The files the class is written to. The class is named after its file, up to the first full "
       "stop: CSalesDB.cls gives the class CSalesDB.",
       {
           {K::Text, "txtClassFileName", "ClassFile", "&Class file:"},
           {K::Button, "btnBrowseClass", nullptr, "&Browse...", {}, nullptr, true},
           {K::Text, "txtParamDefsFileName", "ParamDefsFile", "&Parameter-definitions module:"},
           {K::Button, "btnBrowseModule", nullptr, "B&rowse...", {},
            "Written only with the by-name function (Stored Procedures page).", true},
           {K::Check, "chkAskConfirm", "ConfirmOverWrite", "&Ask before overwriting an existing file"},
       },
       {{"txtParamDefsFileName", -1, {KeyTrue("StoredProc.AddExecSPByName")}},
        {"btnBrowseModule", -1, {KeyTrue("StoredProc.AddExecSPByName")}}}},

      {"frmChildBuildCode", "Code", nullptr,
       {{K::Check, "chkShowCodeInViewer", "ShowCodeInViewer", "Show the generated &code in the viewer"}}, {}, true},

      {"frmChildRunVBProject", "Misc", nullptr,
       {{K::Text, "txtProject", "RunProject", "&Project file:"},
        {K::Check, "chkExitOnRun", "ExitOnRun", "Exit Procforge when the project st&arts"}},
       {},
       true},
  };
}
// clang-format on

}  // namespace

const std::vector<Page>& Pages() {
  static const std::vector<Page> kPages = MakePages();
  return kPages;
}

std::string Label(const Page& page, const Control& control) {
  const Control* named = &control;
  if (!control.Caption && control.K == Kind::Text)
    for (const Control& c : page.Controls) {
      if (&c == &control) break;
      named = &c;
    }
  std::string text;
  for (const char* p = named->Caption ? named->Caption : ""; *p; ++p)
    if (*p != '&') text += *p;
  while (!text.empty() && (text.back() == ':' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string FieldName(std::string_view Section, std::string_view Key) {
  for (const Page& p : Pages()) {
    if (!p.Section || !NoCase::Equals(p.Section, Section)) continue;
    for (const Control& c : p.Controls) {
      if (!c.Key || !NoCase::Equals(c.Key, Key)) continue;
      const ChildFormDecl* node = FindChildFormDecl(p.Name);
      return "\"" + Label(p, c) + "\" on the page " + (node ? node->NodeText : p.Name) + " [" + std::string(p.Section) +
             "." + c.Key + "]";
    }
  }
  return {};
}

const Page* Find(std::string_view name) {
  for (const Page& p : Pages())
    if (name == p.Name) return &p;
  return nullptr;
}

const Control* Find(std::string_view page, std::string_view control) {
  if (const Page* p = Find(page))
    for (const Control& c : p->Controls)
      if (control == c.Name) return &c;
  return nullptr;
}

}  // namespace pf::wizard::PageTable
