-- The database behind the library's data sources: every table the service's
-- SQL texts name, the tables behind the host-side data-source members, and
-- the template tables. Written once for SQLite and PostgreSQL (types both
-- understand; BLOB becomes BYTEA and "db..table" an attached file or a schema,
-- see sql_dialect.h). Bit flags are INTEGER so that "IsUsed=1" compares alike.

-- Account options (csysid 'AA').
CREATE TABLE AccInformation (
  cSysID VARCHAR(10) NOT NULL,
  cName VARCHAR(60) NOT NULL,
  cValue VARCHAR(255),
  cCaption VARCHAR(100),
  PRIMARY KEY (cSysID, cName)
);

-- Voucher types: the card-wide template columns and the body primary key.
CREATE TABLE vouchers_base (
  CardNumber VARCHAR(30) NOT NULL PRIMARY KEY,
  AppName VARCHAR(30),
  Shield INTEGER,
  Name VARCHAR(100),
  cCardName VARCHAR(60),
  CardType VARCHAR(30),
  ItemTblName VARCHAR(60),
  VchTblPrimarykeyNames VARCHAR(200),
  ReceiptNOFieldName VARCHAR(200),
  itemCol INTEGER,
  BTTblName VARCHAR(60),
  BTQName VARCHAR(60),
  BWTblName VARCHAR(60),
  BWQName VARCHAR(60),
  HaveBodyGrid INTEGER,
  vchHeadPKName VARCHAR(60),
  vchBodyPKName VARCHAR(60)
);

-- Templates of a voucher type: the template-wide columns.
CREATE TABLE vouchertemplates_base (
  vt_cardnumber VARCHAR(30) NOT NULL,
  VT_ID INTEGER NOT NULL,
  VT_Name VARCHAR(100),
  VT_Width INTEGER,
  VT_Height INTEGER,
  VT_BodyTop INTEGER,
  VT_BodyLeft INTEGER,
  VT_BodyWidth INTEGER,
  VT_BodyHeight INTEGER,
  VT_BodyFixedCols INTEGER,
  VT_BodyMaxRows INTEGER,
  VT_SelfDef1 VARCHAR(255),
  VT_SelfDef2 VARCHAR(255),
  VT_SelfDef3 VARCHAR(255),
  VT_Memo TEXT,
  VT_TitleName VARCHAR(255),
  VT_TitleLeft INTEGER,
  VT_TitleTop INTEGER,
  VT_TitleFontState VARCHAR(255),
  VT_PageHeader TEXT,
  VT_WorkAreaColor INTEGER,
  VT_ControlStyle INTEGER,
  VT_FiexdColor INTEGER,
  VT_TotalColor INTEGER,
  VT_AmongColor INTEGER,
  VT_GridStyleHead VARCHAR(255),
  VT_GridStyleBody VARCHAR(255),
  VT_GridStyleTotal VARCHAR(255),
  VT_GridPrnRows INTEGER,
  VT_GridPrnRowHeight INTEGER,
  VT_Header TEXT,
  VT_Foot TEXT,
  VT_footHeaderFont VARCHAR(255),
  VT_PrintTemplID INTEGER,
  VT_PrintGrid INTEGER,
  VT_AutoCalc INTEGER,
  VT_PageSubTotal INTEGER,
  VT_PageTotal INTEGER,
  nAutoCalcWidth INTEGER,
  nPrintSeril INTEGER,
  nPrintGridLine INTEGER,
  VT_ReservedInfo VARCHAR(255),
  vt_RowLayoutEnabled INTEGER,
  inventoryFieldName VARCHAR(200),
  TemplateSubType INTEGER,
  cParentKey VARCHAR(60),
  cKey VARCHAR(60),
  nbarcodeMultiple INTEGER,
  cBarCodeFieldNames VARCHAR(200),
  AuditDisplayFlag VARCHAR(60),
  PRIMARY KEY (vt_cardnumber, VT_ID)
);

-- The fields of a template, in their stored order per section (item_order).
-- The other columns are the positional item columns of the template
-- recordset; positions named reservedN are not stored.
CREATE TABLE vouchertemplates_items (
  tmpl_cardnumber VARCHAR(30) NOT NULL,
  tmpl_id INTEGER NOT NULL,
  item_order INTEGER NOT NULL,
  vt_id INTEGER,
  cardnum VARCHAR(30),
  carditemnum VARCHAR(30),
  cannotselect INTEGER,
  showit INTEGER,
  linkit INTEGER,
  linktbl VARCHAR(60),
  linkfield VARCHAR(60),
  tablename VARCHAR(60),
  fieldname VARCHAR(60),
  fieldtype INTEGER,
  refertype INTEGER,
  refertable VARCHAR(255),
  cardsection VARCHAR(2),
  canmodify INTEGER,
  maxlength INTEGER,
  maxshowlen INTEGER,
  numpoint INTEGER,
  isnull_flag INTEGER,  -- the "isnull" item column (a keyword)
  candelete INTEGER,
  usercheck VARCHAR(255),
  userprompt VARCHAR(255),
  formatchar VARCHAR(60),
  ismain INTEGER,
  needsum INTEGER,
  calcfield INTEGER,
  aliasnum VARCHAR(60),
  isselfdef INTEGER,
  height INTEGER,
  tabindex INTEGER,
  defaultvalue VARCHAR(255),
  isfixedlenght INTEGER,
  formatdata VARCHAR(60),
  printcaption INTEGER,
  printupcase INTEGER,
  printinterval VARCHAR(60),
  datasource INTEGER,
  entertype INTEGER,
  datarule TEXT,
  validitycheck INTEGER,
  reservesegtitlepos INTEGER,
  buildarchives INTEGER,
  nborder INTEGER,
  cox INTEGER,
  coy INTEGER,
  width INTEGER,
  isenum INTEGER,
  enumtypestring TEXT,
  zeroallowable INTEGER,
  vvaluedefault VARCHAR(255),
  carditemname VARCHAR(100),
  cardformula1 VARCHAR(255),
  cardformula2 VARCHAR(255),
  fontstate VARCHAR(255),
  refobject VARCHAR(100),
  autofillrule TEXT,
  catalog DOUBLE PRECISION,
  isjoinquery INTEGER,
  extended INTEGER,
  imfld INTEGER,
  autocomplete INTEGER,
  colshow INTEGER,
  multitableheadertitle VARCHAR(255),
  PRIMARY KEY (tmpl_cardnumber, tmpl_id, item_order)
);

-- Language texts of a template, with its row-layout definition.
CREATE TABLE vouchertemplates_lang (
  vt_cardnumber VARCHAR(30) NOT NULL,
  vt_id INTEGER NOT NULL,
  localeid VARCHAR(10) NOT NULL,
  vt_name VARCHAR(100),
  vt_RowLayoutXML TEXT,
  PRIMARY KEY (vt_cardnumber, vt_id, localeid)
);

-- The voucher-number rule of a voucher type, the XML SetBillNumberRule takes
-- (LoadBillNumberRule).
CREATE TABLE VoucherNumberRule (
  cardnumber VARCHAR(30) NOT NULL PRIMARY KEY,
  cRuleXml TEXT
);

-- Reference fields of a voucher type and the archives they refer to: the
-- rows SetCustomRelation takes (LoadCustomRelation).
CREATE TABLE VoucherCustomRelation (
  cardnumber VARCHAR(30) NOT NULL,
  ItemKey VARCHAR(60) NOT NULL,
  IsPrimary INTEGER,
  ArchivesName VARCHAR(60),
  ArchivesIndex VARCHAR(60),
  cTablename VARCHAR(60),
  PRIMARY KEY (cardnumber, ItemKey)
);

-- Per-user voucher settings ("Data" records); fchrOperator '#systemprinter#'
-- holds the ones shared by every user.
CREATE TABLE VoucherCustomerInfo (
  fchrType VARCHAR(60) NOT NULL,
  fchrOperator VARCHAR(60) NOT NULL,
  fchrVoucherType VARCHAR(60) NOT NULL,
  fchrVoucherTemplateType VARCHAR(30) NOT NULL,
  fchrXmlInfo TEXT,
  PRIMARY KEY (fchrType, fchrOperator, fchrVoucherType, fchrVoucherTemplateType)
);

-- Print counts per voucher and print policy (voucher type "_" template).
CREATE TABLE PrintPolicy_VCH (
  PolicyID VARCHAR(60) NOT NULL,
  vchid VARCHAR(100) NOT NULL,
  total INTEGER,
  lastprintTime TIMESTAMP,
  lastprintUser VARCHAR(60),
  PRIMARY KEY (PolicyID, vchid)
);

CREATE TABLE AA_Picture (
  cGUID VARCHAR(40) NOT NULL PRIMARY KEY,
  cPicName VARCHAR(100),
  Picture BLOB
);

CREATE TABLE inventory (
  cInvCode VARCHAR(60) NOT NULL PRIMARY KEY,
  cInvName VARCHAR(255),
  cInvStd VARCHAR(255),
  PictureGUID VARCHAR(40)
);

-- Header fields whose values address the voucher's e-mail.
CREATE TABLE VouchersExInfo (
  cardnumber VARCHAR(30) NOT NULL,
  FieldName VARCHAR(60) NOT NULL,
  CatalogType INTEGER,
  IsUsed INTEGER,
  PRIMARY KEY (cardnumber, FieldName)
);

CREATE TABLE hr_hi_person (
  cPsn_Num VARCHAR(30) NOT NULL PRIMARY KEY,
  cPsn_Name VARCHAR(60),
  cDept_num VARCHAR(30),
  cPsnEmail VARCHAR(100),
  cPsnMobilePhone VARCHAR(40)
);

CREATE TABLE UA_User (
  cUser_Id VARCHAR(30) NOT NULL PRIMARY KEY,
  cUser_Name VARCHAR(60),
  cUserEmail VARCHAR(100),
  cUserHand VARCHAR(40)
);

CREATE TABLE UserHRPersonContro (
  cUser_Id VARCHAR(30) NOT NULL,
  cPsn_Num VARCHAR(30) NOT NULL,
  PRIMARY KEY (cUser_Id, cPsn_Num)
);

CREATE TABLE vendor (
  cVenCode VARCHAR(30) NOT NULL PRIMARY KEY,
  cVenName VARCHAR(100),
  cVenAbbName VARCHAR(60),
  cVenPerson VARCHAR(60),
  cVenEmail VARCHAR(100),
  cVenPhone VARCHAR(40)
);

CREATE TABLE Person (
  cPersonCode VARCHAR(30) NOT NULL PRIMARY KEY,
  cPersonName VARCHAR(60),
  cDepCode VARCHAR(30),
  cPersonEmail VARCHAR(100),
  cPersonPhone VARCHAR(40)
);

CREATE TABLE Department (
  cDepCode VARCHAR(30) NOT NULL PRIMARY KEY,
  cDepName VARCHAR(100),
  cDepPhone VARCHAR(40),
  cDepEmail VARCHAR(100),
  cDepType VARCHAR(30),
  cDepPerson VARCHAR(30)
);

CREATE TABLE Customer (
  cCusCode VARCHAR(30) NOT NULL PRIMARY KEY,
  cCusName VARCHAR(100),
  cCusAbbName VARCHAR(60),
  cCusPhone VARCHAR(40),
  cCusEmail VARCHAR(100),
  cCusPerson VARCHAR(60)
);

-- The account's metadata database: joint queries linking voucher fields to
-- master-data tables.
CREATE TABLE tolmmeta_001..Cavra_JointQuery (
  JointQuery_ID VARCHAR(40) NOT NULL PRIMARY KEY,
  SourceID VARCHAR(60),
  TargetID VARCHAR(60),
  QueryConditionExpression TEXT,
  VoucherFields VARCHAR(255),
  JointType INTEGER
);

CREATE TABLE tolmmeta_001..Cavra_JointQuery_Condition (
  JointQuery_ID VARCHAR(40) NOT NULL,
  SourceField1 VARCHAR(60) NOT NULL,
  SourceField2 VARCHAR(60),
  PRIMARY KEY (JointQuery_ID, SourceField1)
);

-- The system database's users.
CREATE TABLE TolmSystem..UA_User (
  cUser_Id VARCHAR(30) NOT NULL PRIMARY KEY,
  cUser_Name VARCHAR(60),
  cUserEmail VARCHAR(100),
  cUserHand VARCHAR(40)
);

-- Behind the data-source members. Field-right text per voucher type
-- (GetAuthString; "1=2" when none is stored).
CREATE TABLE VoucherFieldAuth (
  cardnumber VARCHAR(30) NOT NULL PRIMARY KEY,
  cAuthString TEXT
);

-- Fields writable at a voucher's workflow step, by voucher type and primary
-- key text (GetWorkflowAuthString; "NotInFlow" when none is stored).
CREATE TABLE VoucherWorkflowAuth (
  cardnumber VARCHAR(30) NOT NULL,
  vchid VARCHAR(100) NOT NULL,
  cAuthString TEXT,
  PRIMARY KEY (cardnumber, vchid)
);

-- The audit history of a voucher, one row per action, in the order of iSeq
-- (GetAuditString builds the audit-flow XML from it). cAction is the action
-- code: 0 submit, 1 agree, 2 disagree, 3 transfer, 4 send back, 5 revoke,
-- 6 withdraw, 7 cancel approval, 8 resubmit, 11-14 workflow events.
CREATE TABLE VoucherAuditFlow (
  cardnumber VARCHAR(30) NOT NULL,
  vchid VARCHAR(100) NOT NULL,
  iSeq INTEGER NOT NULL,
  cTaskName VARCHAR(100),
  cOperator VARCHAR(60),
  cAction VARCHAR(10),
  dAuditTime TIMESTAMP,
  cOpinion VARCHAR(255),
  PRIMARY KEY (cardnumber, vchid, iSeq)
);

-- Total captions per language, "{##}"-joined (GetCustomerizeTotalTitle).
CREATE TABLE VoucherTotalTitle (
  localeid VARCHAR(10) NOT NULL PRIMARY KEY,
  cTitles VARCHAR(255)
);

-- Settings of the data source itself: 'cUserName' (the default login's
-- user) and 'WebRootURL'.
CREATE TABLE DataSourceSettings (
  cName VARCHAR(60) NOT NULL PRIMARY KEY,
  cValue VARCHAR(255)
);

INSERT INTO AccInformation (cSysID, cName, cValue, cCaption) VALUES
  ('AA', 'AuditSelectCols', '1R#1R11111111#1R#1R#', 'audit columns'),
  ('AA', 'bPrintTemplatePointLength', 'false', 'print template decimals'),
  ('AA', 'bDisplayInventoryPic', 'true', 'inventory pictures'),
  ('AA', 'bDescendAuditTime', 'false', 'audit records newest first'),
  ('AA', 'nDisableColor', '0', 'disabled colour'),
  ('AA', 'nNeedColor', '0', 'required colour');
