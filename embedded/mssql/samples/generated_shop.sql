-- A database scripted the way SQL Server's script generator writes schema
-- and data: options and drops first, tables, keys added afterwards with
-- ALTER TABLE, rows loaded children first with the checks off.
USE [master]
GO
IF DB_ID(N'generated_shop') IS NULL
CREATE DATABASE [generated_shop]
GO
ALTER DATABASE [generated_shop] SET COMPATIBILITY_LEVEL = 100
GO
ALTER DATABASE [generated_shop] SET ANSI_NULL_DEFAULT OFF
GO
EXEC sp_dboption N'generated_shop', N'autoclose', N'false'
GO
USE [generated_shop]
GO
EXEC sp_addtype N'phone_t', N'nvarchar(24)', N'null'
GO
/****** Object:  UserDefinedDataType [dbo].[code_t] ******/
CREATE TYPE [dbo].[code_t] FROM [nchar](5) NOT NULL
GO
IF EXISTS (SELECT * FROM sys.foreign_keys WHERE object_id = OBJECT_ID(N'[dbo].[FK_lines_orders]') AND parent_object_id = OBJECT_ID(N'[dbo].[order_lines]'))
ALTER TABLE [dbo].[order_lines] DROP CONSTRAINT [FK_lines_orders]
GO
IF EXISTS (SELECT * FROM sys.objects WHERE object_id = OBJECT_ID(N'[dbo].[order_lines]') AND type in (N'U'))
DROP TABLE [dbo].[order_lines]
GO
IF OBJECT_ID(N'[dbo].[orders]', N'U') IS NOT NULL
DROP TABLE [dbo].[orders]
GO
IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[customers]') AND OBJECTPROPERTY(id, N'IsUserTable') = 1)
DROP TABLE [dbo].[customers]
GO
SET ANSI_NULLS ON
GO
SET QUOTED_IDENTIFIER ON
GO
/****** Object:  Table [dbo].[customers]    Script Date: 06/12/94 10:00:00 ******/
CREATE TABLE [dbo].[customers](
	[customer_id] [dbo].[code_t] NOT NULL,
	[company] [nvarchar](40) NOT NULL,
	[phone] [phone_t] NULL,
	[since] [datetime] NULL,
	[credit] [money] NULL,
 CONSTRAINT [PK_customers] PRIMARY KEY CLUSTERED
(
	[customer_id] ASC
)WITH (PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, IGNORE_DUP_KEY = OFF, ALLOW_ROW_LOCKS  = ON, ALLOW_PAGE_LOCKS  = ON) ON [PRIMARY]
) ON [PRIMARY]
GO
SET ANSI_PADDING ON
GO
CREATE TABLE [dbo].[orders](
	[order_id] [int] IDENTITY(1,1) NOT NULL,
	[customer_id] [nchar](5) NULL,
	[ordered] [datetime] NULL,
	[shipped] [smalldatetime] NULL,
	[freight] [money] NULL,
	[status] [varchar](10) NOT NULL
) ON [PRIMARY]
GO
SET ANSI_PADDING OFF
GO
CREATE TABLE [dbo].[order_lines](
	[order_id] [int] NOT NULL,
	[line] [smallint] NOT NULL,
	[product] [nvarchar](40) NOT NULL,
	[unit_price] [money] NOT NULL,
	[quantity] [smallint] NOT NULL,
	[discount] [real] NOT NULL,
	[line_total]  AS ([unit_price]*[quantity])
) ON [PRIMARY]
GO
ALTER TABLE [dbo].[orders] ADD  CONSTRAINT [PK_orders] PRIMARY KEY CLUSTERED
(
	[order_id] ASC
)WITH (PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, IGNORE_DUP_KEY = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS  = ON, ALLOW_PAGE_LOCKS  = ON) ON [PRIMARY]
GO
ALTER TABLE [dbo].[order_lines] ADD  CONSTRAINT [PK_order_lines] PRIMARY KEY CLUSTERED
(
	[order_id] ASC,
	[line] ASC
) ON [PRIMARY]
GO
ALTER TABLE [dbo].[orders] ADD  CONSTRAINT [DF_orders_freight]  DEFAULT ((0)) FOR [freight]
GO
ALTER TABLE [dbo].[orders] ADD  CONSTRAINT [DF_orders_status]  DEFAULT ('new') FOR [status]
GO
ALTER TABLE [dbo].[order_lines] ADD  CONSTRAINT [DF_lines_discount]  DEFAULT ((0)) FOR [discount]
GO
ALTER TABLE [dbo].[orders]  WITH CHECK ADD  CONSTRAINT [FK_orders_customers] FOREIGN KEY([customer_id])
REFERENCES [dbo].[customers] ([customer_id])
GO
ALTER TABLE [dbo].[orders] CHECK CONSTRAINT [FK_orders_customers]
GO
ALTER TABLE [dbo].[order_lines]  WITH CHECK ADD  CONSTRAINT [FK_lines_orders] FOREIGN KEY([order_id])
REFERENCES [dbo].[orders] ([order_id])
ON DELETE CASCADE
GO
ALTER TABLE [dbo].[order_lines] CHECK CONSTRAINT [FK_lines_orders]
GO
ALTER TABLE [dbo].[order_lines]  WITH CHECK ADD  CONSTRAINT [CK_lines_quantity] CHECK  (([quantity]>(0)))
GO
ALTER TABLE [dbo].[order_lines] CHECK CONSTRAINT [CK_lines_quantity]
GO
CREATE NONCLUSTERED INDEX [IX_orders_customer] ON [dbo].[orders]
(
	[customer_id] ASC
)WITH (PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, DROP_EXISTING = OFF, ONLINE = OFF) ON [PRIMARY]
GO
CREATE NONCLUSTERED INDEX [IX_lines_discounted] ON [dbo].[order_lines]
(
	[product] ASC
)
INCLUDE ( [unit_price],
[quantity]) 
WHERE ([discount]>(0))
WITH (PAD_INDEX  = OFF, STATISTICS_NORECOMPUTE  = OFF, SORT_IN_TEMPDB = OFF, DROP_EXISTING = OFF, ONLINE = OFF) ON [PRIMARY]
GO
/****** Object:  View [dbo].[customer_orders] ******/
IF OBJECT_ID(N'[dbo].[customer_orders]', N'V') IS NOT NULL DROP VIEW [dbo].[customer_orders]
GO
CREATE VIEW [dbo].[customer_orders]
AS
SELECT c.company, o.order_id, o.ordered
FROM dbo.customers AS c INNER JOIN dbo.orders AS o ON o.customer_id = c.customer_id
GO
/****** Object:  StoredProcedure [dbo].[orders_of] ******/
CREATE PROCEDURE [dbo].[orders_of]
	@customer nchar(5)
AS
BEGIN
	SET NOCOUNT ON;
	SELECT * FROM dbo.orders WHERE customer_id = @customer
END
GO
EXEC sys.sp_addextendedproperty @name=N'MS_Description', @value=N'Who buys' , @level0type=N'SCHEMA',@level0name=N'dbo', @level1type=N'TABLE',@level1name=N'customers'
GO
GRANT EXECUTE ON [dbo].[orders_of] TO [public]
GO
-- Data: children first, with the keys' checks off while the rows load.
ALTER TABLE [dbo].[order_lines] NOCHECK CONSTRAINT ALL
GO
ALTER TABLE [dbo].[orders] NOCHECK CONSTRAINT ALL
GO
PRINT 'Loading order_lines'
INSERT [dbo].[order_lines] ([order_id], [line], [product], [unit_price], [quantity], [discount]) VALUES (10248, 1, N'Queso Cabrales', $14.0000, 12, 0)
INSERT [dbo].[order_lines] ([order_id], [line], [product], [unit_price], [quantity], [discount]) VALUES (10248, 2, N'Mozzarella di Giovanni', 34.8000, 5, 0.15)
INSERT [dbo].[order_lines] ([order_id], [line], [product], [unit_price], [quantity], [discount]) VALUES (10249, 1, N'Tofu', 18.6000, 9, 5E-2)
INSERT [dbo].[order_lines] ([order_id], [line], [product], [unit_price], [quantity], [discount]) VALUES (10250, 1, N'Crème brûlée', -$1.5000, 40, 0)
GO
SET IDENTITY_INSERT [dbo].[orders] ON
INSERT [dbo].[orders] ([order_id], [customer_id], [ordered], [shipped], [freight], [status]) VALUES (10248, N'VINET', CAST(N'1996-07-04T00:00:00.000' AS DateTime), '07/16/96', 32.3800, 'shipped')
INSERT [dbo].[orders] ([order_id], [customer_id], [ordered], [shipped], [freight], [status]) VALUES (10249, N'TOMSP', CAST(0x000089B100000000 AS DateTime), 'Jul 10 1996 12:00AM', $11.61, 'shipped')
INSERT [dbo].[orders] ([order_id], [customer_id], [ordered], [shipped], [freight]) VALUES (10250, N'HANAR', {ts '1996-07-08 10:30:00'}, CONVERT(smalldatetime, '12/07/1996', 103), DEFAULT)
SET IDENTITY_INSERT [dbo].[orders] OFF
GO
INSERT [dbo].[customers] ([customer_id], [company], [phone], [since], [credit]) VALUES (N'HANAR', N'Hanari Carnes', N'(21) 555-0091', '12 June 1994', $1000)
INSERT [dbo].[customers] ([customer_id], [company], [phone], [since], [credit]) VALUES (N'TOMSP', N'Toms Spezialitäten', NULL, '06/12/49', 2.5E3)
INSERT [dbo].[customers] ([customer_id], [company], [phone], [since], [credit]) VALUES (N'VINET', N'Vins et alcools Chevalier', N'26.47.15.10', 'June 1, 1994', NULL)
GO
ALTER TABLE [dbo].[order_lines] WITH CHECK CHECK CONSTRAINT ALL
GO
ALTER TABLE [dbo].[orders] WITH CHECK CHECK CONSTRAINT ALL
GO
INSERT [dbo].[orders] ([customer_id]) VALUES (N'VINET')
GO
/* Kept out of this script:
GO
DROP TABLE [dbo].[customers]
GO
*/
DECLARE @pass int = 0
WHILE @pass < 3
BEGIN
	SET @pass = @pass + 1
	IF @pass = 2 CONTINUE
	PRINT 'Pass ' + CAST(@pass AS varchar(10))
END
GO
BEGIN TRY
	INSERT [dbo].[order_lines] ([order_id], [line], [product], [unit_price], [quantity]) VALUES (10248, 3, N'Nothing', 1, 0)
END TRY
BEGIN CATCH
	PRINT 'Line skipped: ' + ERROR_MESSAGE()
END CATCH
GO
