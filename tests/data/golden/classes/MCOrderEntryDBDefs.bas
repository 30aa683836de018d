Attribute VB_Name = "MCOrderEntryDBDefs"
'==============================================================================
' Parameter definitions of the stored procedures of COrderEntryDB,
' to be passed to COrderEntryDB.ExecSPbyName.
' Generated:    06 Dec 2026, 14:03 
' Generator:    Procforge Version 2.2 (1.0.0), Brandywick
' Dependencies: the class COrderEntryDB
'==============================================================================
Option Explicit

Public Const SP_GETCUSTOMER = "[sp_GetCustomer]"
Public Const PRM_GETCUSTOMER = "@CustomerCode,129,1,10,0"

Public Const SP_ERRORLOGINSERT = "[spErrorLogInsert]"
Public Const PRM_ERRORLOGINSERT = "@AppID,3,1,0,0;@Report,203,1,1073741823,0"

Public Const SP_ARCHIVEORDERS = "[USP_ARCHIVEORDERS]"
Public Const PRM_ARCHIVEORDERS = "@CUTOFFDATE,135,1,0,0;@ARCHIVED,3,3,0,0"

Public Const SP_CATEGORYLIST = "[usp_CategoryList]"
Public Const PRM_CATEGORYLIST = ""

Public Const SP_CUSTOMERDELETE = "[usp_CustomerDelete]"
Public Const PRM_CUSTOMERDELETE = "@CustomerID,3,1,0,0"

Public Const SP_CUSTOMERINSERT = "[usp_CustomerInsert]"
Public Const PRM_CUSTOMERINSERT = _
    "@CustomerCode,129,1,10,0;@CompanyName,202,1,80,0;@ContactName,202,1,60,0;@Email,200,1,128," & _ 
    "0;@Phone,200,1,24,0;@CreditLimit,6,1,0,0;@IsActive,11,1,0,0;@CustomerID,3,3,0,0"

Public Const SP_CUSTOMERSEARCH = "[usp_CustomerSearch]"
Public Const PRM_CUSTOMERSEARCH = _
    "@Name,202,1,80,0;@City,202,1,40,0;@MaxRows,2,1,0,0"

Public Const SP_CUSTOMERUPDATE = "[usp_CustomerUpdate]"
Public Const PRM_CUSTOMERUPDATE = _
    "@CustomerID,3,1,0,0;@CompanyName,202,1,80,0;@ContactName,202,1,60,0;@Email,200,1,128,0;@Phone," & _ 
    "200,1,24,0;@CreditLimit,6,1,0,0;@IsActive,11,1,0,0;@RowVersion,128,1,8,0"

Public Const SP_EMPLOYEELOGIN = "[usp_EmployeeLogin]"
Public Const PRM_EMPLOYEELOGIN = _
    "@LoginName,200,1,30,0;@PasswordHash,128,1,32,0;@SessionID,72,3,0,0;@EmployeeID,3,3,0,0"

Public Const SP_GETCUSTOMER1 = "[usp_GetCustomer]"
Public Const PRM_GETCUSTOMER1 = "@CustomerID,3,1,0,0"

Public Const SP_GETNEXTORDERNUMBER = "[usp_GetNextOrderNumber]"
Public Const PRM_GETNEXTORDERNUMBER = ""

Public Const SP_INVENTORYADJUST = "[usp_InventoryAdjust]"
Public Const PRM_INVENTORYADJUST = _
    "@ProductID,3,1,0,0;@WarehouseID,2,1,0,0;@QuantityDelta,3,1,0,0;@AdjustedBy,202,1,40," & _ 
    "0;@MovementID,20,3,0,0"

Public Const SP_INVOICECREATE = "[usp_InvoiceCreate]"
Public Const PRM_INVOICECREATE = _
    "@OrderID,3,1,0,0;@InvoiceDate,135,1,0,0;@DueDays,17,1,0,0;@InvoiceNo,129,3,12,0;@Amount,5,3,0," & _ 
    "0"

Public Const SP_ORDERCANCEL = "[usp_OrderCancel]"
Public Const PRM_ORDERCANCEL = "@OrderID,3,1,0,0;@Reason,200,1,255,0"

Public Const SP_ORDERDETAILINSERT = "[usp_OrderDetailInsert]"
Public Const PRM_ORDERDETAILINSERT = _
    "@OrderID,3,1,0,0;@ProductID,3,1,0,0;@UnitPrice,6,1,0,0;@Quantity,2,1,0,0;@Discount,4,1,0,0"

Public Const SP_ORDERGETTOTALS = "[usp_OrderGetTotals]"
Public Const PRM_ORDERGETTOTALS = _
    "@OrderID,3,1,0,0;@SubTotal,6,3,0,0;@Tax,6,3,0,0;@Total,6,3,0,0;@ItemCount,3,3,0,0"

Public Const SP_ORDERINSERT = "[usp_OrderInsert]"
Public Const PRM_ORDERINSERT = _
    "@CustomerID,3,1,0,0;@EmployeeID,3,1,0,0;@OrderDate,135,1,0,0;@RequiredDate,135,1,0,0;@ShipVia," & _ 
    "17,1,0,0;@Freight,6,1,0,0;@ShipName,202,1,60,0;@ShipCountry,130,1,2,0;@Comments,203,1,1073741823," & _ 
    "0;@OrderGuid,72,1,0,0;@OrderID,3,3,0,0"

Public Const SP_ORDERLIST = "[usp_OrderList]"
Public Const PRM_ORDERLIST = _
    "@CustomerID,3,1,0,0;@FromDate,135,1,0,0;@ToDate,135,1,0,0"

Public Const SP_ORDERUPDATESTATUS = "[usp_OrderUpdateStatus]"
Public Const PRM_ORDERUPDATESTATUS = "@OrderID,3,1,0,0;@Status,17,1,0,0;@Date,135,1,0,0"

Public Const SP_PAYMENTRECORD = "[usp_PaymentRecord]"
Public Const PRM_PAYMENTRECORD = _
    "@InvoiceNo,129,1,12,0;@Amount,6,1,0,0;@PaidOn,135,1,0,0;@Method,129,1,1,0;@Reference,202,1,50," & _ 
    "0;@ExchangeRate,5,1,0,0;@PaymentGuid,72,3,0,0"

Public Const SP_PRINT = "[usp_Print]"
Public Const PRM_PRINT = "@OrderID,3,1,0,0;@Copies,17,1,0,0"

Public Const SP_PRODUCTINSERT = "[usp_ProductInsert]"
Public Const PRM_PRODUCTINSERT = _
    "@ProductCode,200,1,20,0;@ProductName,202,1,80,0;@CategoryID,3,1,0,0;@SupplierID,3,1,0," & _ 
    "0;@UnitPrice,6,1,0,0;@Weight,5,1,0,0;@Description,201,1,2147483647,0;@Picture,205,1,2147483647," & _ 
    "0;@Discontinued,11,1,0,0;@ProductID,3,3,0,0"

Public Const SP_PRODUCTSETTHUMBNAIL = "[usp_ProductSetThumbnail]"
Public Const PRM_PRODUCTSETTHUMBNAIL = _
    "@ProductID,3,1,0,0;@Thumbnail,204,1,4000,0;@ThumbnailHash,128,1,20,0"

Public Const SP_PRODUCTUPDATEPRICE = "[usp_ProductUpdatePrice]"
Public Const PRM_PRODUCTUPDATEPRICE = _
    "@ProductID,3,1,0,0;@NewPrice,6,1,0,0;@PercentChange,5,3,0,0"

Public Const SP_PURGEHISTORY = "[usp_PurgeHistory]"
Public Const PRM_PURGEHISTORY = "@BeforeDate,135,1,0,0;@BatchSize,3,1,0,0"

Public Const SP_REPORTSALESBYCATEGORY = "[usp_ReportSalesByCategory]"
Public Const PRM_REPORTSALESBYCATEGORY = "@Year,2,1,0,0;@Type,129,1,1,0"
