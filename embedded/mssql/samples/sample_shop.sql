-- A small business database that uses every SQL Server column type the
-- converter meets: identity columns, single and composite primary keys,
-- unique and plain indexes, foreign keys with delete rules, defaults of every
-- form, a second owner, Unicode text in several scripts, NULLs, empty
-- strings and large text and binary values.
CREATE DATABASE sample_shop
GO
USE sample_shop
GO
CREATE SCHEMA hr
GO

CREATE TABLE customers (
  customer_id int IDENTITY(1,1) NOT NULL CONSTRAINT PK_customers PRIMARY KEY CLUSTERED,
  code char(8) NOT NULL CONSTRAINT UQ_customers_code UNIQUE,
  name nvarchar(60) NOT NULL,
  city varchar(40) NULL DEFAULT 'Unknown',
  country nchar(2) NOT NULL DEFAULT N'FR',
  vip bit NOT NULL DEFAULT 0,
  credit_limit money NULL DEFAULT 1000,
  discount smallmoney NULL DEFAULT -1.5,
  created datetime NOT NULL DEFAULT getdate(),
  row_guid uniqueidentifier NOT NULL DEFAULT newid()
)
GO
CREATE INDEX IX_customers_name ON customers (name)
GO

CREATE TABLE products (
  product_id smallint IDENTITY(100,10) PRIMARY KEY,
  sku varchar(20) NOT NULL,
  title nvarchar(100) NOT NULL,
  price decimal(10,2) NOT NULL DEFAULT 0.00,
  weight_kg real NULL,
  density float NULL,
  stock tinyint NULL DEFAULT 0,
  barcode bigint NULL,
  exact_ratio numeric(38,10) NULL,
  released date NULL DEFAULT '2001-01-01',
  shelf_time time(3) NULL,
  updated datetime2(7) NULL,
  updated_at_origin datetimeoffset(2) NULL,
  last_count smalldatetime NULL,
  picture image NULL,
  thumbnail varbinary(64) NULL,
  checksum binary(4) NULL,
  manual text NULL,
  notes ntext NULL,
  datasheet xml NULL,
  extra sql_variant NULL,
  version timestamp
)
GO
CREATE UNIQUE NONCLUSTERED INDEX UX_products_sku ON products (sku)
GO

CREATE TABLE orders (
  order_id bigint IDENTITY(1000,1) NOT NULL,
  customer_id int NOT NULL,
  ordered datetime NOT NULL DEFAULT (getdate()),
  status varchar(12) NOT NULL DEFAULT ('new'),
  comment nvarchar(max) NULL,
  long_note varchar(max) NULL,
  attachment varbinary(max) NULL,
  CONSTRAINT PK_orders PRIMARY KEY (order_id),
  CONSTRAINT FK_orders_customers FOREIGN KEY (customer_id)
    REFERENCES customers (customer_id) ON DELETE CASCADE
)
GO

CREATE TABLE order_lines (
  order_id bigint NOT NULL,
  line_no smallint NOT NULL,
  product_id smallint NULL,
  quantity int NOT NULL DEFAULT 1,
  unit_price decimal(10,2) NOT NULL,
  CONSTRAINT PK_order_lines PRIMARY KEY (order_id, line_no),
  CONSTRAINT FK_lines_orders FOREIGN KEY (order_id) REFERENCES orders (order_id) ON DELETE CASCADE,
  CONSTRAINT FK_lines_products FOREIGN KEY (product_id) REFERENCES products (product_id)
    ON DELETE SET NULL
)
GO
CREATE INDEX IX_order_lines_product ON order_lines (product_id, quantity DESC)
GO

CREATE TABLE hr.employees (
  employee_id int IDENTITY NOT NULL PRIMARY KEY NONCLUSTERED,
  login sysname NOT NULL,
  full_name nvarchar(80) NOT NULL,
  manager_id int NULL REFERENCES hr.employees (employee_id),
  salary decimal(12,2) NULL DEFAULT 0,
  hired smalldatetime NULL,
  badge binary(8) NULL
)
GO
CREATE UNIQUE CLUSTERED INDEX UX_employees_login ON hr.employees (login)
GO

INSERT INTO customers (code, name, city, country, vip, credit_limit, discount, created, row_guid)
VALUES ('C0000001', N'Émilie Dubois', 'Lyon', N'FR', 1, 25000.50, 2.5, '2019-03-04 10:11:12.123',
        '6F9619FF-8B86-D011-B42D-00C04FC964FF'),
       ('C0000002', N'Jürgen Müller', 'München', N'DE', 0, NULL, NULL, '2020-12-31 23:59:59.997',
        '{0C733A8D-2A1C-11CE-ADE5-00AA0044773D}'),
       ('C0000003', N'Ελένη Παπαδοπούλου', NULL, N'GR', 0, 0, 0, '2021-06-15', newid()),
       ('C0000004', N'Иван Петров', '', N'RU', 0, 123.4567, -10, '2018-01-01 00:00:00', newid()),
       ('C0000005', N'山田 太郎', 'Tōkyō', N'JP', 1, 999999.9999, 1.25, '2022-02-22 22:22:22', newid()),
       ('C0000006', N'שרה כהן', 'Haifa', N'IL', 0, 50, 0, '2017-07-07', newid()),
       ('C0000007', N'', 'Nowhere', N'  ', 0, NULL, NULL, '2016-05-05', newid())
GO
INSERT INTO customers (code, name) VALUES ('C0000008', N'Default Values Ltd')
GO

INSERT INTO products (sku, title, price, weight_kg, density, stock, barcode, exact_ratio, released,
                      shelf_time, updated, updated_at_origin, last_count, picture, thumbnail,
                      checksum, manual, notes, datasheet, extra)
VALUES ('SKU-001', N'Chair «Confort»', 49.99, 7.5, 0.6523, 12, 4006381333931,
        1234567890123456789012345678.0123456789, '2010-10-10', '08:30:15.250',
        '2010-10-10 08:30:15.1234567', '2010-10-10 08:30:15.12 +02:00', '2010-10-10 08:30:29',
        0x89504E470D0A1A0A, 0x0102030405, 0xDEADBEEF, 'Assemble with care.', N'Ножки из дуба.',
        N'<datasheet><legs>4</legs></datasheet>', 'variant text'),
       ('SKU-002', N'Table 桌子', 199.00, 25.25, 1E-5, 0, NULL, -0.0000000001, NULL, NULL, NULL,
        NULL, NULL, NULL, 0x, NULL, '', N'', NULL, NULL),
       ('SKU-003', N'Lamp', 0.01, NULL, 6.02214076E23, 255, -9223372036854775808,
        NULL, '9999-12-31', '23:59:59.999', '0001-01-01 00:00:00', '2000-01-01 00:00:00 -14:00',
        '2079-06-06 23:59', NULL, NULL, 0x00, NULL, NULL, NULL, NULL)
GO
-- Large values over 64 KB: a long text, a long Unicode text and a picture.
INSERT INTO products (sku, title, price, manual, notes, picture)
VALUES ('SKU-BIG', N'Big catalogue', 9.99, REPLICATE('Lorem ipsum dolor sit amet. ', 5000),
        REPLICATE(N'Ωμέγα — 大きい — ', 6000),
        CAST(REPLICATE('0123456789ABCDEF', 6000) AS varbinary(max)))
GO

INSERT INTO orders (customer_id, ordered, status, comment, long_note, attachment)
VALUES (1, '2023-01-05 09:00', 'paid', N'Livraison rapide, s''il vous plaît', 'short', 0x00FF),
       (1, '2023-02-06 10:30:00.500', 'new', NULL, NULL, NULL),
       (2, '2023-03-07', 'shipped', N'', REPLICATE('x', 70000),
        CAST(REPLICATE('Z', 70000) AS varbinary(max))),
       (5, '2023-04-08 12:00', 'cancelled', N'キャンセル', '', 0x)
GO
INSERT INTO order_lines (order_id, line_no, product_id, quantity, unit_price)
VALUES (1000, 1, 100, 2, 49.99), (1000, 2, 110, 1, 199.00), (1001, 1, 120, 10, 0.01),
       (1002, 1, 100, 4, 45.00), (1003, 1, NULL, 1, 0)
GO

SET IDENTITY_INSERT hr.employees ON
INSERT INTO hr.employees (employee_id, login, full_name, manager_id, salary, hired, badge)
VALUES (1, 'boss', N'Anna Svensson', NULL, 150000.00, '2001-09-10', 0x0000000000000001),
       (2, 'dev1', N'Li Wei 李伟', 1, 85000.50, '2015-03-01 08:00', 0x0000000000000002),
       (5, 'dev2', N'José García', 1, NULL, NULL, NULL)
SET IDENTITY_INSERT hr.employees OFF
INSERT INTO hr.employees (login, full_name, manager_id) VALUES ('intern', N'O''Brien', 2)
GO
