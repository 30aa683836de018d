Attribute VB_Name = "pfgXMLUtils"
'
' pfgXMLUtils: recordsets as XML text in the ADO persistence format, their row
' elements cut out and renamed, and elements and attributes written with escaping.
' The generated database classes build their XML output with it.
'
' References: Microsoft ActiveX Data Objects 2.5 Library or later (ADODB.Recordset,
' ADODB.Stream).
'
' The module may be carried without the error library, so it does not report through
' it: xmlSaveRecordset and xmlExtractRecords raise a failure again with the same number
' and source and the description prefixed by "(xmlSaveRecordset) " or
' "(xmlExtractRecords) ". The text functions cannot fail.
'
' All comparisons are case-sensitive, as XML names are.
'
Option Explicit

Private Const RS_DATA_START As String = "<rs:data>"
Private Const RS_DATA_END As String = "</rs:data>"
Private Const ROW_ELEMENT As String = "z:row"

' The recordset in the ADO XML persistence format, exactly as ADO writes it.
Public Function xmlSaveRecordset(ByVal Rs As ADODB.Recordset) As String
    Dim Stm As ADODB.Stream
    On Error GoTo errHandler
    Set Stm = New ADODB.Stream
    Stm.Open
    Rs.Save Stm, adPersistXML
    Stm.Position = 0
    xmlSaveRecordset = Stm.ReadText(adReadAll)
    Stm.Close
    Exit Function
errHandler:
    Err.Raise Err.Number, Err.Source, "(xmlSaveRecordset) " & Err.Description
End Function

' The text between "<rs:data>" and "</rs:data>" of the saved recordset, with the row
' element "z:row" renamed to ZRowElem; empty when the tags are not found in that order.
Public Function xmlExtractRecords(ByVal Rs As ADODB.Recordset, ByVal ZRowElem As String) As String
    Dim Saved As String
    Dim StartPos As Long
    Dim RowsPos As Long
    Dim EndPos As Long
    On Error GoTo errHandler
    Saved = xmlSaveRecordset(Rs)
    StartPos = InStr(1, Saved, RS_DATA_START, vbBinaryCompare)
    If StartPos > 0 Then
        RowsPos = StartPos + Len(RS_DATA_START)
        EndPos = InStr(1, Saved, RS_DATA_END, vbBinaryCompare)
        If EndPos >= RowsPos Then
            xmlExtractRecords = xmlRenameElement(Mid$(Saved, RowsPos, EndPos - RowsPos), ROW_ELEMENT, ZRowElem)
        End If
    End If
    Exit Function
errHandler:
    Err.Raise Err.Number, Err.Source, "(xmlExtractRecords) " & Err.Description
End Function

' Replaces the element name OldName by NewName in "<OldName ", "<OldName>", "<OldName/>"
' and "</OldName>", in that order. Nothing else is parsed: a name that only begins with
' OldName and text inside attribute values stay as they are.
Public Function xmlRenameElement(ByVal XML As String, ByVal OldName As String, ByVal NewName As String) As String
    Dim Result As String
    Result = Replace(XML, "<" & OldName & " ", "<" & NewName & " ", 1, -1, vbBinaryCompare)
    Result = Replace(Result, "<" & OldName & ">", "<" & NewName & ">", 1, -1, vbBinaryCompare)
    Result = Replace(Result, "<" & OldName & "/>", "<" & NewName & "/>", 1, -1, vbBinaryCompare)
    xmlRenameElement = Replace(Result, "</" & OldName & ">", "</" & NewName & ">", 1, -1, vbBinaryCompare)
End Function

' One element and CR LF: "<ElemName" + Attributes + "/>" for empty Content, else
' "<ElemName" + Attributes + ">" + Content + "</ElemName>". Attributes begin with a space
' (as xmlAttribute writes them); Content is inserted as it is.
Public Function xmlElement(ByVal ElemName As String, ByVal Attributes As String, ByVal Content As String) As String
    If Len(Content) = 0 Then
        xmlElement = "<" & ElemName & Attributes & "/>" & vbCrLf
    Else
        xmlElement = "<" & ElemName & Attributes & ">" & Content & "</" & ElemName & ">" & vbCrLf
    End If
End Function

' One attribute: a space, AttrName, "='", the escaped value and "'".
Public Function xmlAttribute(ByVal AttrName As String, ByVal AttrValue As String) As String
    xmlAttribute = " " & AttrName & "='" & xmlEscape(AttrValue) & "'"
End Function

' & < > " ' as entities; the ampersand first, so that no entity is escaped twice.
Public Function xmlEscape(ByVal Unescaped As String) As String
    Dim Result As String
    Result = Replace(Unescaped, "&", "&amp;")
    Result = Replace(Result, "<", "&lt;")
    Result = Replace(Result, ">", "&gt;")
    Result = Replace(Result, """", "&quot;")
    xmlEscape = Replace(Result, "'", "&apos;")
End Function

' Data inside an element: the opening tag is "<RsDataElem>", or RsDataElem itself when
' it holds "<" (a complete opening tag with attributes); the closing tag is ClosingTag,
' or "</RsDataElem>" when ClosingTag is empty. Data alone when RsDataElem is empty.
' A caller that passes a complete opening tag also passes its ClosingTag.
Public Function xmlWrapData(ByVal Data As String, ByVal RsDataElem As String, _
        Optional ByVal ClosingTag As String = "") As String
    Dim Opening As String
    Dim Closing As String
    If Len(RsDataElem) = 0 Then
        xmlWrapData = Data
    Else
        If InStr(RsDataElem, "<") = 0 Then
            Opening = "<" & RsDataElem & ">"
        Else
            Opening = RsDataElem
        End If
        If Len(ClosingTag) = 0 Then
            Closing = "</" & RsDataElem & ">"
        Else
            Closing = ClosingTag
        End If
        xmlWrapData = Opening & Data & Closing
    End If
End Function
