Attribute VB_Name = "Faultnet31"
'
' Faultnet31: the error library of the generated database classes.
'
' Every error handler records its frame here:
'     errHandler:
'         ErrorIn "CMyDb.GetOrders(CustomerID)", Array(CustomerID), EA_PUBLIC
'         HandleError
' ErrorIn saves the error first (ErrPreserve), builds the error report at the
' innermost level (header, system error, ADO and web sections), adds a call-stack
' line at every level, runs the clean-up steps its flags ask for and puts the error
' back into Err with the report as its description and "Faultnet.ErrorIn" as its
' source, so the next level up continues the same report. With EA_RAISE it raises
' the error again; generated classes pass EA_PUBLIC (no raise) and decide for
' themselves. Errors numbered from ERRMAP_MSG_FIRST to ERRMAP_MSG_LAST are messages
' for the user and pass through without a report.
'
' Nothing here may reset the error object before it is saved: ErrPreserve,
' ErrRestore, ErrReport and ErrMustStop run no On Error, Resume or Exit statement,
' and ErrorIn saves the error before its first one.
'
' Also offered: Check (assertions with %1..%n message filling), ErrReport and the log
' sinks ErrLogToFile, ErrLogToDB and ErrLogToEventLog, and ErrMustStop for the
' optional step-mode prompt of the development environment.
'
' References: none. ADO and the COM+ object context are reached by late binding,
' so the module compiles in any project.
'
Option Explicit

' ErrorIn flag bits.
Public Const EA_RAISE As Long = 1           ' raise the error again at the end
Public Const EA_REPORT As Long = 2          ' build the report
Public Const EA_SETABORT As Long = 4        ' SetAbort on the COM+ object context
Public Const EA_DISABLECOMMIT As Long = 8   ' DisableCommit on the COM+ object context
Public Const EA_ROLLBACK As Long = 16       ' roll back the transaction of the connection
Public Const EA_WEB As Long = 32            ' add the web request section
Public Const EA_CLOSE As Long = 64          ' close the connection
' Flag words in use.
Public Const EA_DEFAULT As Long = 43        ' report, disable commit, web section, raise
Public Const EA_PUBLIC As Long = 42         ' the same without raising: the class decides
Public Const EA_REPORTONLY As Long = 2      ' report only

' How ErrLogToDB calls the log procedure, the statement each server runs. A plain literal
' reaches SQL Server and Oracle in the database's code page, where every character it lacks
' becomes "?"; their national literal N'...' keeps them. Oracle has no Exec statement (that
' is a command of its console client, which wraps the call in BEGIN ... END;), so the call
' goes as an anonymous block. PostgreSQL calls a procedure with CALL (version 11 on).
Public Const ERRLOG_EXEC As Long = 0     ' Exec SP Code, 'report' (Sybase, Access)
Public Const ERRLOG_EXEC_N As Long = 1   ' Exec SP Code, N'report' (SQL Server)
Public Const ERRLOG_BLOCK As Long = 2    ' BEGIN SP(Code, N'report'); END; (Oracle)
Public Const ERRLOG_CALL As Long = 3     ' CALL SP(Code, E'report') (PostgreSQL)

' The generic application error, and the range of errors that are messages for the user.
Public Const ERRMAP_APP_FIRST As Long = &H8004144E
Public Const ERRMAP_MSG_FIRST As Long = &H80041065
Public Const ERRMAP_MSG_LAST As Long = &H8004144D

Private Const PROCESSED_SOURCE As String = "Faultnet.ErrorIn"
Private Const CHECK_SOURCE As String = "Faultnet.Check"
Private Const VALUE_INDENT As String = "      "
Private Const LONG_VALUE_LENGTH As Long = 40
Private Const CALL_LINE_WIDTH As Long = 100

Private Const HEADER_TEMPLATE As String = _
    "%Descr% %nl%  Time='%Time%' App='%App%:%Ver%' ADO-version='%ADOVersion%' Computer='%Comp%' %nl%" & _
    "  Method: %MethodName% %nl%" & _
    "  Number: %ErrNum% = &H%ErrHex% = vbObjectError %ErrNumRel1% = ERRMAP_APP_FIRST %ErrNumRel2% %ErrStd%%nl%" & _
    "  Source: %Source% %nl%" & _
    "  Description: %Descr%%nl%"

Private Const WEB_TEMPLATE As String = _
    "%nl%  Web Info: %nl%    RequestMethod='%RequestMethod%'%nl%" & _
    "    QueryString: '%WebServer%%URL%%QS%' %nl%" & _
    "    FormData:    '%FormData%' %nl%" & _
    "    Cookies:     '%Cookies%'  %nl%"

Private Const STEP_MODE_PROMPT As String = _
    "Do you want to retry the operation in step mode?"
Private Const STEP_MODE_CHOICES As String = _
    "Click YES to retry, NO to move to the caller, CANCEL for no more stops"

' ADO codes used through late binding.
Private Const AD_STATE_OPEN As Long = 1
Private Const AD_STATE_CONNECTING As Long = 2
Private Const AD_STATE_EXECUTING As Long = 4
Private Const AD_STATE_FETCHING As Long = 8
Private Const AD_CMD_TEXT As Long = 1
Private Const AD_EXECUTE_NO_RECORDS As Long = 128

' The system error that is never worth a line (an environment variable not found).
Private Const ERROR_ENVVAR_NOT_FOUND As Long = 203

Private Const FORMAT_MESSAGE_IGNORE_INSERTS As Long = &H200
Private Const FORMAT_MESSAGE_FROM_SYSTEM As Long = &H1000

Private Declare Function FormatMessage Lib "kernel32" Alias "FormatMessageA" ( _
    ByVal dwFlags As Long, lpSource As Any, ByVal dwMessageId As Long, _
    ByVal dwLanguageId As Long, ByVal lpBuffer As String, ByVal nSize As Long, _
    Arguments As Any) As Long

' A copy of the error object.
Private Type ErrFields
    Number As Long
    Source As String
    Description As String
    HelpFile As String
    HelpContext As Long
End Type

' The error being handled, saved by ErrPreserve.
Private m_Preserved As Boolean
Private m_Number As Long
Private m_Source As String
Private m_Description As String
Private m_HelpFile As String
Private m_HelpContext As String
Private m_LineNo As Long
Private m_SysError As Long

Private m_Report As String             ' the report of the current error
Private m_ExtraInfo As String          ' added after the next call-stack line
Private m_ReleasedObjects As String    ' names of objects released during handling
Private m_AdditionalLine As String     ' a line added after the next call-stack line
Private m_PreservedConn As Object      ' used by the next ErrorIn without a DbObject
Private m_MsgProvider As Object        ' GetMessage(Key) for messages starting with "#"
Private m_Warnings As String           ' messages of Check calls with number 0
Private m_StepMode As Boolean          ' ErrMustStop asks whether to stop
Private m_InIDE As Boolean

' ---------------------------------------------------------------------------------
' Saving and restoring the error
' ---------------------------------------------------------------------------------

' Saves the error in Err unless an error is saved already. First statement of a handler.
Public Sub ErrPreserve()
    If Not m_Preserved Then
        If Err.Number <> 0 Then
            m_Number = Err.Number
            m_Source = Err.Source
            m_Description = Err.Description
            m_HelpFile = Err.HelpFile
            m_HelpContext = CStr(Err.HelpContext)
            m_LineNo = Erl
            m_SysError = Err.LastDllError
            m_Preserved = True
        End If
    End If
End Sub

' Puts the saved error back into Err.
Public Sub ErrRestore()
    If m_Preserved Then
        Err.Clear
        Err.Number = m_Number
        Err.Source = m_Source
        Err.Description = m_Description
        If Len(m_HelpContext) > 0 Then
            If IsNumeric(m_HelpContext) Then Err.HelpContext = CLng(m_HelpContext)
        End If
        Err.HelpFile = m_HelpFile
    End If
End Sub

' ---------------------------------------------------------------------------------
' ErrorIn
' ---------------------------------------------------------------------------------

' Records one frame of the error being handled and returns the report (empty when no
' report is built).
'   ProcName:  "Module.Procedure(Arg1,Arg2)", the names of the arguments in the parentheses
'   Args:      the argument values, one value or an array in the order of the names
'   Flags:     EA_ bits
'   DbObject:  a connection, command or recordset for the ADO section and the clean-up steps
'   EnvValues: an array of name, value pairs written on an "Env" line
'   TransControlObject: an object whose SetAbort is called in place of the other steps
' The Reserved arguments are kept for callers that pass them; they are not used.
Public Function ErrorIn(ByVal ProcName As String, Optional ByVal Args As Variant, _
        Optional ByVal Flags As Long = EA_DEFAULT, Optional ByVal DbObject As Variant, _
        Optional ByVal Reserved1 As Long = 0, Optional ByVal Reserved2 As Long = 0, _
        Optional ByVal EnvValues As Variant, Optional ByVal TransControlObject As Variant, _
        Optional ByVal Reserved3 As Long = 0) As String
    Dim Conn As Object
    Dim DbTypeName As String
    Dim FromPreserved As Boolean
    Dim InMessageRange As Boolean
    Dim DoReport As Boolean
    Dim TransLine As String

    ' The error must be saved before any statement that could reset it.
    If Err.Number = 0 And Not m_Preserved Then
        Err.Clear
        Err.Number = ERRMAP_APP_FIRST
        Err.Source = App.Title
        Err.Description = "ErrorIn: Error information was lost. " & _
            "To fix: call ErrPreserve before doing anything in error handler."
    End If
    ErrPreserve

    On Error Resume Next

    If IsObject(DbObject) Then
        If Not DbObject Is Nothing Then
            Set Conn = ConnectionOf(DbObject)
            DbTypeName = TypeName(DbObject)
        End If
    End If
    If Conn Is Nothing Then
        If Not m_PreservedConn Is Nothing Then
            Set Conn = ConnectionOf(m_PreservedConn)
            If Not Conn Is Nothing Then
                DbTypeName = TypeName(Conn)
                FromPreserved = True
            End If
        End If
    End If

    InMessageRange = (m_Number >= ERRMAP_MSG_FIRST And m_Number <= ERRMAP_MSG_LAST)
    DoReport = (Not InMessageRange) And ((Flags And EA_REPORT) <> 0)

    ' An error that no lower level has processed begins a new report, so that a
    ' message or an unreported error never shows the report of an earlier one.
    If m_Source <> PROCESSED_SOURCE Then m_Report = ""

    If DoReport Then
        If m_Source = PROCESSED_SOURCE Then
            m_Report = m_Description
        Else
            m_Report = ReportHeader(ProcName)
            If m_SysError <> 0 And m_SysError <> ERROR_ENVVAR_NOT_FOUND Then
                AddLine m_Report, "  API Error: (" & CStr(m_SysError) & ") " & SystemErrorText(m_SysError)
            End If
            If Not Conn Is Nothing Then AddAdoSection m_Report, DbTypeName, Conn, FromPreserved
            If (Flags And EA_WEB) <> 0 Then m_Report = m_Report & WebSection()
        End If
        AddCallStackLine m_Report, ProcName, Args, m_LineNo, EnvValues
        If Len(m_ExtraInfo) > 0 Then AddLine m_Report, m_ExtraInfo
        If Len(m_ReleasedObjects) > 0 Then AddLine m_Report, "    Released Objects: " & m_ReleasedObjects
    End If
    m_ExtraInfo = ""
    m_ReleasedObjects = ""

    TransLine = TransactionStep(Flags, Conn, TransControlObject)
    If Not InMessageRange Then
        If Len(TransLine) > 0 Then AddLine m_Report, TransLine
        If (Flags And EA_CLOSE) <> 0 Then
            If Not Conn Is Nothing Then
                AddLine m_Report, "    Connection: Attempt to call Close " & CallMethod(Conn, "Close")
            End If
        End If
    End If

    If DoReport Then
        m_Source = PROCESSED_SOURCE
        m_Description = m_Report
        ErrorIn = m_Report
    End If

    Set m_PreservedConn = Nothing
    ErrRestore
    m_Preserved = False

    If (Flags And EA_RAISE) <> 0 Then
        On Error GoTo 0
        Err.Raise m_Number, m_Source, m_Description, m_HelpFile, SavedHelpContext()
    End If
    ' No Exit Function: the restored error stays in Err for the caller.
End Function

Private Function SavedHelpContext() As Long
    If Len(m_HelpContext) > 0 Then
        If IsNumeric(m_HelpContext) Then SavedHelpContext = CLng(m_HelpContext)
    End If
End Function

' The report header of the saved error.
Private Function ReportHeader(ByVal ProcName As String) As String
    Dim StdName As String
    If m_Number = ERRMAP_APP_FIRST Then StdName = "= ERR_GENERAL"
    ReportHeader = FillTemplate(HEADER_TEMPLATE, Array( _
        "nl", vbCrLf, _
        "MethodName", ProcName, _
        "Comp", ComputerName(), _
        "Time", Format$(Now, "mm\/dd\/yy hh\:nn\:ss"), _
        "App", App.Title, _
        "Ver", App.Major & "." & App.Minor & "." & App.Revision, _
        "ADOVersion", ADOVersionText(), _
        "ErrNum", CStr(m_Number), _
        "ErrHex", Hex$(m_Number), _
        "ErrNumRel1", Relative(m_Number, vbObjectError), _
        "ErrNumRel2", Relative(m_Number, ERRMAP_APP_FIRST), _
        "ErrStd", StdName, _
        "Source", m_Source, _
        "Descr", m_Description))
End Function

' Fills %Name% placeholders from Fields (name, value, name, value, ...) in one pass, so
' a value holding "%" is never taken for a placeholder. Unknown names stay as they are.
Private Function FillTemplate(ByVal Template As String, ByVal Fields As Variant) As String
    Dim Result As String
    Dim Pos As Long
    Dim OpenPos As Long
    Dim ClosePos As Long
    Dim FieldName As String
    Dim Found As Boolean
    Dim i As Long

    Pos = 1
    Do
        OpenPos = InStr(Pos, Template, "%")
        If OpenPos = 0 Then Exit Do
        Result = Result & Mid$(Template, Pos, OpenPos - Pos)
        Found = False
        ClosePos = InStr(OpenPos + 1, Template, "%")
        If ClosePos > 0 Then
            FieldName = Mid$(Template, OpenPos + 1, ClosePos - OpenPos - 1)
            For i = LBound(Fields) To UBound(Fields) - 1 Step 2
                If StrComp(Fields(i), FieldName, vbBinaryCompare) = 0 Then
                    Result = Result & Fields(i + 1)
                    Found = True
                    Exit For
                End If
            Next i
        End If
        If Found Then
            Pos = ClosePos + 1
        Else
            Result = Result & "%"
            Pos = OpenPos + 1
        End If
    Loop
    FillTemplate = Result & Mid$(Template, Pos)
End Function

' "+ 5198" or "- 5": the sign, a blank and the distance of Number from Origin.
Private Function Relative(ByVal Number As Long, ByVal Origin As Long) As String
    Dim Distance As Double
    Distance = CDbl(Number) - CDbl(Origin)
    If Distance < 0 Then
        Relative = "- " & Format$(-Distance, "0")
    Else
        Relative = "+ " & Format$(Distance, "0")
    End If
End Function

Private Function ComputerName() As String
    ComputerName = Environ$("COMPUTERNAME")
    If Len(ComputerName) = 0 Then ComputerName = "?"
End Function

' The version of a new ADO connection object; "?" when none can be created.
Private Function ADOVersionText() As String
    Dim Conn As Object
    On Error Resume Next
    ADOVersionText = "?"
    Set Conn = CreateObject("ADODB.Connection")
    If Not Conn Is Nothing Then ADOVersionText = Conn.Version
    Set Conn = Nothing
End Function

' The operating system's text for a system error code.
Private Function SystemErrorText(ByVal Code As Long) As String
    Dim Buffer As String
    Dim Length As Long
    On Error Resume Next
    Buffer = String$(1024, vbNullChar)
    Length = FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM Or FORMAT_MESSAGE_IGNORE_INSERTS, ByVal 0&, _
        Code, 0&, Buffer, Len(Buffer), ByVal 0&)
    If Length > 0 Then
        Buffer = Left$(Buffer, Length)
        Do While Right$(Buffer, 1) = vbCr Or Right$(Buffer, 1) = vbLf
            Buffer = Left$(Buffer, Len(Buffer) - 1)
        Loop
        SystemErrorText = Buffer
    End If
End Function

' A connection, command or recordset reduced to its connection; Nothing when it has none.
Private Function ConnectionOf(ByVal DbObject As Object) As Object
    On Error Resume Next
    If TypeName(DbObject) = "Connection" Then
        Set ConnectionOf = DbObject
    Else
        Set ConnectionOf = DbObject.ActiveConnection
    End If
End Function

Private Function ObjectState(ByVal Target As Object) As Long
    On Error Resume Next
    ObjectState = Target.State
End Function

Private Function StateText(ByVal State As Long) As String
    If (State And AD_STATE_OPEN) = 0 Then
        StateText = "adStateClosed"
    Else
        StateText = "adStateOpen"
        If (State And AD_STATE_CONNECTING) <> 0 Then StateText = StateText & " + adStateConnecting"
        If (State And AD_STATE_EXECUTING) <> 0 Then StateText = StateText & " + adStateExecuting"
        If (State And AD_STATE_FETCHING) <> 0 Then StateText = StateText & " + adStateFetching"
    End If
End Function

' The ADO section; a step that fails is left out, the report never hides the error.
Private Sub AddAdoSection(ByRef Report As String, ByVal DbTypeName As String, ByVal Conn As Object, _
        ByVal FromPreserved As Boolean)
    Dim AdoVersion As String
    Dim ConnString As String
    Dim ErrorCount As Long
    Dim i As Long
    Dim ErrText As String

    On Error Resume Next
    AddLine Report, "  ADO Info: "
    AdoVersion = Conn.Version
    AddLine Report, "    ADO Version:   " & AdoVersion
    If FromPreserved Then DbTypeName = DbTypeName & " (Connection object was preserved internally)"
    AddLine Report, "    DbObject:      " & DbTypeName
    ConnString = Conn.ConnectionString
    AddLine Report, "    Conn. String: '" & ConnString & "'"
    AddLine Report, "    Conn. State:   " & StateText(ObjectState(Conn))
    ErrorCount = 0
    ErrorCount = Conn.Errors.Count
    For i = 0 To ErrorCount - 1
        ErrText = ""
        ErrText = Conn.Errors.Item(i).Description
        AddLine Report, "    Error:         " & ErrText
    Next i
End Sub

' The web request section, empty when there is no request object in a COM+ context.
Private Function WebSection() As String
    Dim Context As Object
    Dim Request As Object
    Dim QueryString As String

    On Error Resume Next
    Set Context = CurrentObjectContext()
    If Context Is Nothing Then Exit Function
    Set Request = Context.Item("Request")
    If Request Is Nothing Then Exit Function
    QueryString = ServerVariable(Request, "QUERY_STRING")
    If Len(QueryString) > 0 Then QueryString = "?" & QueryString
    WebSection = FillTemplate(WEB_TEMPLATE, Array( _
        "nl", vbCrLf, _
        "RequestMethod", ServerVariable(Request, "REQUEST_METHOD"), _
        "WebServer", ServerVariable(Request, "SERVER_NAME"), _
        "URL", ServerVariable(Request, "URL"), _
        "QS", QueryString, _
        "FormData", FormText(Request), _
        "Cookies", ServerVariable(Request, "HTTP_COOKIE")))
End Function

Private Function ServerVariable(ByVal Request As Object, ByVal VarName As String) As String
    On Error Resume Next
    ServerVariable = CStr(Request.ServerVariables(VarName))
End Function

Private Function FormText(ByVal Request As Object) As String
    On Error Resume Next
    FormText = CStr(Request.Form)
End Function

' The COM+ object context of the running object; Nothing outside COM+.
Private Function CurrentObjectContext() As Object
    On Error Resume Next
    Set CurrentObjectContext = CreateObject("MTxAS.AppServer.1").GetObjectContext()
End Function

' Calls one clean-up method by name: "succeeded" or "failed with error '...'".
Private Function CallMethod(ByVal Target As Object, ByVal MethodName As String) As String
    Dim Known As Boolean
    On Error Resume Next
    Err.Clear
    Known = True
    Select Case MethodName
    Case "Close"
        Target.Close
    Case "DisableCommit"
        Target.DisableCommit
    Case "SetAbort"
        Target.SetAbort
    Case "RollbackTrans"
        Target.RollbackTrans
    Case Else
        Known = False
    End Select
    If Not Known Then
        CallMethod = "Unknown method"
    ElseIf Err.Number = 0 Then
        CallMethod = "succeeded"
    Else
        CallMethod = "failed with error '" & Err.Description & "'"
    End If
    Err.Clear
End Function

' Aborts or rolls back as the flags ask; returns the report line, empty for none.
Private Function TransactionStep(ByVal Flags As Long, ByVal Conn As Object, _
        ByVal TransControlObject As Variant) As String
    Dim Context As Object
    Dim Outcome As String

    If IsObject(TransControlObject) Then
        If Not TransControlObject Is Nothing Then
            Outcome = "Attempt to call TransControlObject.SetAbort: " & CallMethod(TransControlObject, "SetAbort")
        End If
    End If
    If Len(Outcome) = 0 And (Flags And (EA_SETABORT Or EA_DISABLECOMMIT)) <> 0 Then
        Set Context = CurrentObjectContext()
        If Not Context Is Nothing Then
            If (Flags And EA_SETABORT) <> 0 Then
                Outcome = "Attempt to call ObjectContext.SetAbort " & CallMethod(Context, "SetAbort")
            Else
                Outcome = "Attempt to call ObjectContext.DisableCommit " & CallMethod(Context, "DisableCommit")
            End If
        End If
    End If
    If Len(Outcome) = 0 And (Flags And EA_ROLLBACK) <> 0 Then
        If Not Conn Is Nothing Then
            If (ObjectState(Conn) And AD_STATE_OPEN) <> 0 Then
                Outcome = "Attempt to call RollbackTrans " & CallMethod(Conn, "RollbackTrans")
            Else
                Outcome = "Could not call RollbackTrans: Connection is closed "
            End If
        End If
    End If
    If Len(Outcome) > 0 Then TransactionStep = "    Transaction: " & Outcome
End Function

' ---------------------------------------------------------------------------------
' The call-stack line
' ---------------------------------------------------------------------------------

' "  Call Stack: Proc(Name1='text', Name2=42)", padded and followed by the line number
' when known; long or multi-line values follow the line in full; then the additional
' line and the "Env" line.
Private Sub AddCallStackLine(ByRef Report As String, ByVal ProcName As String, ByVal Args As Variant, _
        ByVal LineNo As Long, ByVal EnvValues As Variant)
    Dim ProcTitle As String
    Dim ArgNames() As String
    Dim ArgCount As Long
    Dim OpenPos As Long
    Dim ClosePos As Long
    Dim ArgList As String
    Dim ArgName As String
    Dim CallLine As String
    Dim ValueBlocks As String
    Dim Value As Variant
    Dim EnvLine As String
    Dim i As Long

    ProcTitle = ProcName
    OpenPos = InStr(ProcName, "(")
    If OpenPos > 0 Then
        ProcTitle = Left$(ProcName, OpenPos - 1)
        ClosePos = InStrRev(ProcName, ")")
        If ClosePos < OpenPos Then ClosePos = Len(ProcName) + 1
        ArgList = Mid$(ProcName, OpenPos + 1, ClosePos - OpenPos - 1)
        If Len(Trim$(ArgList)) > 0 Then
            ArgNames = Split(ArgList, ",")
            ArgCount = UBound(ArgNames) + 1
            ' A blank name after the last comma is no argument.
            If ArgCount > 1 Then
                If Len(Trim$(ArgNames(ArgCount - 1))) = 0 Then ArgCount = ArgCount - 1
            End If
        End If
    End If

    CallLine = "  Call Stack: " & ProcTitle & "("
    For i = 0 To ArgCount - 1
        ArgName = Trim$(ArgNames(i))
        If i > 0 Then CallLine = CallLine & ", "
        CallLine = CallLine & ArgName & "="
        Value = Empty
        If ArgAt(Args, i, Value) Then
            If IsLongText(Value) Then
                CallLine = CallLine & "{Text}"
                AddLine ValueBlocks, "    Value Of " & ArgName & ":"
                If LCase$(ArgName) = "xml" And Left$(CStr(Value), 1) = "<" Then
                    AddIndented ValueBlocks, Replace(CStr(Value), "><", ">" & vbCrLf & "<"), VALUE_INDENT
                Else
                    AddIndented ValueBlocks, CStr(Value), VALUE_INDENT
                End If
            Else
                CallLine = CallLine & ReportForm(Value)
            End If
        End If
    Next i
    CallLine = CallLine & ")"
    If LineNo <> 0 Then
        If Len(CallLine) < CALL_LINE_WIDTH Then CallLine = CallLine & String$(CALL_LINE_WIDTH - Len(CallLine), "-")
        CallLine = CallLine & "  at Line " & CStr(LineNo)
    End If
    AddLine Report, CallLine
    Report = Report & ValueBlocks

    If Len(m_AdditionalLine) > 0 Then
        AddLine Report, m_AdditionalLine
        m_AdditionalLine = ""
    End If

    If ValueCount(EnvValues) > 1 Then
        EnvLine = "    Env: "
        For i = LBound(EnvValues) To UBound(EnvValues) - 1 Step 2
            If i > LBound(EnvValues) Then EnvLine = EnvLine & ", "
            EnvLine = EnvLine & CStr(EnvValues(i)) & "=" & ReportForm(EnvValues(i + 1))
        Next i
        AddLine Report, EnvLine
    End If
End Sub

' The number of values in Values: the elements of an array, 0 when omitted, else 1.
Private Function ValueCount(ByVal Values As Variant) As Long
    On Error GoTo Failed
    If IsArray(Values) Then
        ValueCount = UBound(Values) - LBound(Values) + 1
    ElseIf Not IsMissing(Values) Then
        ValueCount = 1
    End If
    Exit Function
Failed:
    ValueCount = 0
End Function

' Value number Index (from 0) of Values, one value or an array; False when it is
' omitted or missing.
Private Function ArgAt(ByVal Values As Variant, ByVal Index As Long, ByRef Value As Variant) As Boolean
    Dim First As Long
    On Error GoTo Failed
    If IsArray(Values) Then
        First = LBound(Values)
        If Index <= UBound(Values) - First Then
            If IsObject(Values(First + Index)) Then
                Set Value = Values(First + Index)
            Else
                Value = Values(First + Index)
            End If
            ArgAt = Not IsMissing(Value)
        End If
    ElseIf Index = 0 Then
        If IsObject(Values) Then
            Set Value = Values
        Else
            Value = Values
        End If
        ArgAt = Not IsMissing(Value)
    End If
    Exit Function
Failed:
    ArgAt = False
End Function

' A text or date that is written in full after the call-stack line.
Private Function IsLongText(ByRef Value As Variant) As Boolean
    Dim Shown As String
    If IsObject(Value) Or IsArray(Value) Then Exit Function
    Select Case VarType(Value)
    Case vbString, vbDate
        Shown = CStr(Value)
        IsLongText = Len(Shown) > LONG_VALUE_LENGTH Or InStr(Shown, vbCr) > 0 Or InStr(Shown, vbLf) > 0
    End Select
End Function

' A value as a call-stack line writes it.
Private Function ReportForm(ByRef Value As Variant) As String
    If IsArray(Value) Then
        ReportForm = "{Array}"
    ElseIf IsObject(Value) Then
        ReportForm = "{" & TypeName(Value) & "}"
    Else
        Select Case VarType(Value)
        Case vbEmpty
            ReportForm = "{Empty}"
        Case vbNull
            ReportForm = "{Null}"
        Case vbString, vbDate
            ReportForm = "'" & CStr(Value) & "'"
        Case vbInteger, vbLong, vbSingle, vbDouble, vbCurrency, vbByte, vbDecimal, vbBoolean
            ReportForm = CStr(Value)
        Case Else
            ReportForm = "{?}"
        End Select
    End If
End Function

' A value as it fills a message placeholder: plain text; special values as in reports.
Private Function MessageForm(ByRef Value As Variant) As String
    If IsArray(Value) Or IsObject(Value) Then
        MessageForm = ReportForm(Value)
    Else
        Select Case VarType(Value)
        Case vbString, vbDate, vbInteger, vbLong, vbSingle, vbDouble, vbCurrency, vbByte, vbDecimal, vbBoolean
            MessageForm = CStr(Value)
        Case Else
            MessageForm = ReportForm(Value)
        End Select
    End If
End Function

Private Sub AddLine(ByRef Report As String, ByVal LineText As String)
    Report = Report & LineText & vbCrLf
End Sub

' Every line of Content indented, each ending in CR LF; a final line end adds no empty line.
Private Sub AddIndented(ByRef Report As String, ByVal Content As String, ByVal Indent As String)
    Dim Lines() As String
    Dim Last As Long
    Dim LineText As String
    Dim i As Long

    If Len(Content) = 0 Then
        AddLine Report, Indent
        Exit Sub
    End If
    Lines = Split(Content, vbLf)
    Last = UBound(Lines)
    For i = 0 To Last
        LineText = Lines(i)
        If Right$(LineText, 1) = vbCr Then LineText = Left$(LineText, Len(LineText) - 1)
        If i = Last And i > 0 And Len(LineText) = 0 Then Exit For
        AddLine Report, Indent & LineText
    Next i
End Sub

' ---------------------------------------------------------------------------------
' Additions to the next report
' ---------------------------------------------------------------------------------

' A connection (or a command or recordset) for the ADO section and the clean-up steps of
' the next ErrorIn that gets no DbObject; released after that ErrorIn.
Public Sub ErrPreserveConnection(ByVal DbObject As Object)
    Set m_PreservedConn = DbObject
End Sub

' A line written after the next call-stack line.
Public Sub ErrSetAdditionalLine(ByVal LineText As String)
    m_AdditionalLine = LineText
End Sub

' Names an object released during handling; written after the next call-stack line.
Public Sub ErrAddReleasedObject(ByVal ObjectName As String)
    If Len(m_ReleasedObjects) > 0 Then m_ReleasedObjects = m_ReleasedObjects & ", "
    m_ReleasedObjects = m_ReleasedObjects & ObjectName
End Sub

' Asks Extractor (an object, or the class name to create one) for the error details of
' Server and adds them to the next report. Call it in a handler before ErrorIn.
Public Sub ErrExtractServerErrors(ByVal Server As Object, ByVal Extractor As Variant, _
        Optional ByVal Title As String = "")
    Dim Section As String
    Dim ExtractorObject As Object
    Dim Details As String
    Dim Indented As String

    ErrPreserve
    On Error GoTo Failed
    Section = "    COM Server Errors: Server=" & TypeName(Server) & " Extractor="
    If IsObject(Extractor) Then
        Set ExtractorObject = Extractor
    Else
        Set ExtractorObject = CreateObject(CStr(Extractor))
    End If
    Section = Section & TypeName(ExtractorObject)
    If Len(Title) > 0 Then Section = Section & "  [" & Title & "]"
    ErrRestore
    Details = ExtractorObject.Extract(Server)
    If Right$(Details, 2) = vbCrLf Then Details = Left$(Details, Len(Details) - 2)
    If Len(Details) > 0 Then
        AddIndented Indented, Details, VALUE_INDENT
        Section = Section & vbCrLf & Left$(Indented, Len(Indented) - 2)
    End If
    AddExtraInfo Section
    Exit Sub
Failed:
    AddExtraInfo Section & vbCrLf & "    ErrorIn failed to extract error information: " & Err.Description
End Sub

Private Sub AddExtraInfo(ByVal Content As String)
    If Len(m_ExtraInfo) > 0 Then m_ExtraInfo = m_ExtraInfo & vbCrLf
    m_ExtraInfo = m_ExtraInfo & Content
End Sub

' ---------------------------------------------------------------------------------
' Check and message filling
' ---------------------------------------------------------------------------------

' When Cond is false: raises ErrNum with Msg (source "Faultnet.Check"), or with ErrNum 0
' adds Msg to the warnings. A Msg starting with "#" is a key for the message provider;
' "||" is a line break; %1, %2, ... are filled from the values that follow (one array
' may stand for them all).
Public Sub Check(ByVal Cond As Boolean, ByVal ErrNum As Long, ByVal Msg As String, _
        ParamArray Params() As Variant)
    Dim MsgText As String
    Dim Values As Variant

    If Not Cond Then
        MsgText = Msg
        If Left$(MsgText, 1) = "#" Then
            If Not m_MsgProvider Is Nothing Then MsgText = m_MsgProvider.GetMessage(MsgText)
        End If
        MsgText = Replace(MsgText, "||", vbCrLf)
        If UBound(Params) >= LBound(Params) Then
            If UBound(Params) = LBound(Params) And IsArray(Params(LBound(Params))) Then
                Values = Params(LBound(Params))
            Else
                Values = Params
            End If
            MsgText = ErrFillMessage(MsgText, Values)
        End If
        If ErrNum = 0 Then
            If Len(m_Warnings) > 0 Then m_Warnings = m_Warnings & vbCrLf
            m_Warnings = m_Warnings & MsgText
        Else
            Err.Raise ErrNum, CHECK_SOURCE, MsgText
        End If
    End If
End Sub

' Fills %1..%n of Msg from Values (one value or an array; the first is %1). The longest
' number that names a value wins, so %10 is value ten, not value one and a 0; inserted
' values are never scanned again; a "%" without a matching value stays.
Public Function ErrFillMessage(ByVal Msg As String, ByVal Values As Variant) As String
    Dim Result As String
    Dim Pos As Long
    Dim MarkPos As Long
    Dim Digits As Long
    Dim Size As Long
    Dim Count As Long
    Dim Index As Long
    Dim Value As Variant
    Dim Filled As Boolean

    Count = ValueCount(Values)
    Pos = 1
    Do
        MarkPos = InStr(Pos, Msg, "%")
        If MarkPos = 0 Then Exit Do
        Result = Result & Mid$(Msg, Pos, MarkPos - Pos)
        Digits = 0
        Do While IsDigitChar(Mid$(Msg, MarkPos + 1 + Digits, 1))
            Digits = Digits + 1
        Loop
        Filled = False
        For Size = Digits To 1 Step -1
            If Size <= 9 Then
                Index = CLng(Mid$(Msg, MarkPos + 1, Size))
                If Index >= 1 And Index <= Count Then
                    Value = Empty
                    If ArgAt(Values, Index - 1, Value) Then Result = Result & MessageForm(Value)
                    Pos = MarkPos + 1 + Size
                    Filled = True
                    Exit For
                End If
            End If
        Next Size
        If Not Filled Then
            Result = Result & "%"
            Pos = MarkPos + 1
        End If
    Loop
    ErrFillMessage = Result & Mid$(Msg, Pos)
End Function

Private Function IsDigitChar(ByVal Character As String) As Boolean
    If Len(Character) = 1 Then IsDigitChar = (Character >= "0" And Character <= "9")
End Function

' The messages of the failed Check calls with number 0, joined by CR LF.
Public Function ErrWarnings() As String
    ErrWarnings = m_Warnings
End Function

Public Sub ErrClearWarnings()
    m_Warnings = ""
End Sub

' An object with GetMessage(Key) that turns message keys starting with "#" into texts;
' Nothing to remove it.
Public Sub ErrSetMessageProvider(ByVal Provider As Object)
    Set m_MsgProvider = Provider
End Sub

' ---------------------------------------------------------------------------------
' The report and its log sinks
' ---------------------------------------------------------------------------------

' The report of the current error; the error's description when ErrorIn processed it;
' else empty.
Public Function ErrReport() As String
    If Len(m_Report) > 0 Then
        ErrReport = m_Report
    ElseIf Err.Source = PROCESSED_SOURCE Then
        ErrReport = Err.Description
    End If
End Function

' Appends the report and two empty lines to FileName, which goes next to the program when
' it holds no "\". False when there is no report or the file cannot be written. The
' error in Err is kept.
Public Function ErrLogToFile(ByVal FileName As String) As Boolean
    Dim Saved As ErrFields
    Dim Report As String
    Dim Path As String

    SaveErr Saved
    Report = ErrReport()
    If Len(Report) > 0 Then
        If InStr(FileName, "\") > 0 Then
            Path = FileName
        ElseIf Right$(App.Path, 1) = "\" Then
            Path = App.Path & FileName
        Else
            Path = App.Path & "\" & FileName
        End If
        ErrLogToFile = AppendToFile(Path, Report & vbCrLf & vbCrLf)
    End If
    RestoreErr Saved
End Function

Private Function AppendToFile(ByVal Path As String, ByVal Content As String) As Boolean
    Dim FileNo As Integer
    On Error GoTo Failed
    FileNo = FreeFile
    Open Path For Append As #FileNo
    Print #FileNo, Content
    Close #FileNo
    AppendToFile = True
    Exit Function
Failed:
    Resume CloseFile
CloseFile:
    On Error Resume Next
    If FileNo <> 0 Then Close #FileNo
End Function

' Stores the report by calling the log procedure SPName with Code and the report on
' ConnectString, in the statement Form names (ERRLOG_*). False when there is no report; a
' failure raises ERRMAP_APP_FIRST with the connect string and the cause, which is also
' added to the report as a "Log:" line for the logs written next. The error in Err is kept
' on success.
Public Function ErrLogToDB(ByVal ConnectString As String, ByVal Code As String, _
        ByVal SPName As String, Optional ByVal Form As Long = 0) As Boolean
    Dim Saved As ErrFields
    Dim Report As String
    Dim Cause As String
    Dim Literal As String
    Dim SQL As String

    SaveErr Saved
    Report = ErrReport()
    If Len(Report) > 0 Then
        Literal = "'" & Replace(Report, "'", "''") & "'"
        Select Case Form
        Case ERRLOG_EXEC_N
            SQL = "Exec " & SPName & " " & Code & ", N" & Literal
        Case ERRLOG_BLOCK
            SQL = "BEGIN " & SPName & "(" & Code & ", N" & Literal & "); END;"
        Case ERRLOG_CALL
            ' An escape string literal reads a backslash the same way whatever
            ' standard_conforming_strings says, once it is doubled.
            SQL = "CALL " & SPName & "(" & Code & ", E" & Replace(Literal, "\", "\\") & ")"
        Case Else
            SQL = "Exec " & SPName & " " & Code & ", " & Literal
        End Select
        If Not ExecuteText(ConnectString, SQL, Cause) Then
            ' The raised error and the report's "Log:" line reach logs others read.
            Cause = "Failed to save error report to database. " & vbCrLf & _
                "ConnectString = '" & MaskPasswords(ConnectString) & "'" & vbCrLf & Cause
            ' The logs written after this one get the report saying that it failed.
            m_Report = Report & "  Log: " & Cause & vbCrLf
            Err.Raise ERRMAP_APP_FIRST, "Faultnet.ErrLogToDB", Cause
        End If
        ErrLogToDB = True
    End If
    RestoreErr Saved
End Function

' ConnectString with the value of every Pwd and Password key (also as the last word
' of a longer key, such as "Jet OLEDB:Database Password") written as "***". A value
' ends at the next ";" outside its quotes or braces.
Private Function MaskPasswords(ByVal ConnectString As String) As String
    Dim Out As String
    Dim Pos As Long
    Dim Eq As Long
    Dim ValueAt As Long
    Dim EndPos As Long
    Dim Key As String
    Dim Closing As String
    Pos = 1
    Do While Pos <= Len(ConnectString)
        Eq = InStr(Pos, ConnectString, "=")
        If Eq = 0 Then Exit Do
        Key = LCase$(Trim$(Mid$(ConnectString, Pos, Eq - Pos)))
        ValueAt = Eq + 1
        Do While Mid$(ConnectString, ValueAt, 1) = " "
            ValueAt = ValueAt + 1
        Loop
        Closing = Mid$(ConnectString, ValueAt, 1)
        If Closing = "{" Then Closing = "}"
        EndPos = ValueAt
        If Closing = """" Or Closing = "'" Or Closing = "}" Then
            EndPos = InStr(ValueAt + 1, ConnectString, Closing)
            If EndPos = 0 Then EndPos = Len(ConnectString)
        End If
        EndPos = InStr(EndPos, ConnectString, ";")
        If EndPos = 0 Then EndPos = Len(ConnectString) + 1
        If (Key = "pwd" Or Right$(Key, 8) = "password") And ValueAt < EndPos Then
            Out = Out & Mid$(ConnectString, Pos, Eq - Pos + 1) & "***"
        Else
            Out = Out & Mid$(ConnectString, Pos, EndPos - Pos)
        End If
        If EndPos <= Len(ConnectString) Then Out = Out & ";"
        Pos = EndPos + 1
    Loop
    If Pos <= Len(ConnectString) Then Out = Out & Mid$(ConnectString, Pos)
    MaskPasswords = Out
End Function

Private Function ExecuteText(ByVal ConnectString As String, ByVal SQL As String, ByRef Cause As String) As Boolean
    Dim Conn As Object
    On Error GoTo Failed
    Set Conn = CreateObject("ADODB.Connection")
    Conn.Open ConnectString
    Conn.Execute SQL, , AD_CMD_TEXT Or AD_EXECUTE_NO_RECORDS
    Conn.Close
    ExecuteText = True
    Exit Function
Failed:
    Cause = Err.Description
    ExecuteText = False
End Function

' Writes the report to the system's application event log as an error event. False when
' there is no report. The error in Err is kept.
Public Function ErrLogToEventLog() As Boolean
    Dim Saved As ErrFields
    Dim Report As String

    SaveErr Saved
    Report = ErrReport()
    If Len(Report) > 0 Then ErrLogToEventLog = WriteEventLog(Report)
    RestoreErr Saved
End Function

Private Function WriteEventLog(ByVal Report As String) As Boolean
    On Error GoTo Failed
    App.StartLogging "", vbLogToNT
    App.LogEvent Report, vbLogEventTypeError
    WriteEventLog = True
    Exit Function
Failed:
    WriteEventLog = False
End Function

Private Sub SaveErr(ByRef Saved As ErrFields)
    Saved.Number = Err.Number
    Saved.Source = Err.Source
    Saved.Description = Err.Description
    Saved.HelpFile = Err.HelpFile
    Saved.HelpContext = Err.HelpContext
End Sub

Private Sub RestoreErr(ByRef Saved As ErrFields)
    Err.Clear
    If Saved.Number <> 0 Then
        Err.Number = Saved.Number
        Err.Source = Saved.Source
        Err.Description = Saved.Description
        Err.HelpFile = Saved.HelpFile
        Err.HelpContext = Saved.HelpContext
    End If
End Sub

' ---------------------------------------------------------------------------------
' Step mode
' ---------------------------------------------------------------------------------

' Generated handlers run "If ErrMustStop Then Debug.Assert False: Resume". False unless
' step mode is on and the program runs in the development environment; then the user
' chooses: Yes stops and retries the failed statement, No goes on to the caller, Cancel
' turns step mode off.
Public Function ErrMustStop() As Boolean
    Dim Answer As Long
    If m_StepMode Then
        If RunningInIDE() Then
            ErrPreserve
            Answer = MsgBox(STEP_MODE_PROMPT & vbCrLf & STEP_MODE_CHOICES, vbYesNoCancel + vbQuestion, App.Title)
            If Answer = vbYes Then
                ' The statement runs again: the saved error is not reported.
                m_Preserved = False
                ErrMustStop = True
            ElseIf Answer = vbCancel Then
                m_StepMode = False
            End If
        End If
    End If
End Function

' Turns the step-mode prompt of ErrMustStop on or off (off at start).
Public Sub ErrSetStepMode(ByVal Enabled As Boolean)
    m_StepMode = Enabled
End Sub

Private Function RunningInIDE() As Boolean
    m_InIDE = False
    Debug.Assert MarkInIDE()
    RunningInIDE = m_InIDE
End Function

Private Function MarkInIDE() As Boolean
    m_InIDE = True
    MarkInIDE = True
End Function
