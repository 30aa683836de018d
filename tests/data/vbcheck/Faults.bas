Attribute VB_Name = "Faults"
Option Explicit
Public Const EA_PUBLIC As Long = 2, EA_RAISE = 8
Global g_LastError As Long
Public Enum LogKinds
    lkFile = 1
End Enum
Private m_Hidden As Long

Public Sub ErrorIn(ByVal Name As String, Optional ByVal Flags As Long = EA_PUBLIC)
    g_LastError = Err.Number
End Sub

Public Property Let LogKind(ByVal Value As Long)
    m_Hidden = Value
End Property
