Attribute VB_Name = "MCPgOrdersDefs"
'==============================================================================
' Parameter definitions of the stored procedures of CPgOrders,
' to be passed to CPgOrders.ExecSPbyName.
' Generated:    06 Dec 2026, 14:03 
' Generator:    Procforge Version 2.2 (1.0.0), Brandywick
' Dependencies: the class CPgOrders
'==============================================================================
Option Explicit



Public Const SP_ORDER_CANCEL = "CALL order_cancel(?, ?)"
Public Const PRM_ORDER_CANCEL = "p_order_id,3,1,0,1;p_status,203,3,1073741823,0"

Public Const SP_ORDER_STATUS = "CALL order_status(?, ?, ?)"
Public Const PRM_ORDER_STATUS = _
    "p_order_id,3,1,0,1;p_status,203,2,1073741823,0;p_changed,135,2,0,0"
