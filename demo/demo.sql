-- Querimo demo database for SQLite; scripts/make-demo-db.sh builds it.
-- Every generated row comes from its row number alone, so each build gives
-- the same data.
PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE countries (
    code     CHAR(2) PRIMARY KEY,
    name     VARCHAR(40) NOT NULL,
    currency CHAR(3) NOT NULL
);

INSERT INTO countries (code, name, currency) VALUES
    ('AR', 'Argentina',      'ARS'),
    ('BR', 'Brasil',         'BRL'),
    ('CH', 'Schweiz',        'CHF'),
    ('DE', 'Deutschland',    'EUR'),
    ('DK', 'Danmark',        'DKK'),
    ('IS', 'Ísland',         'ISK'),
    ('JP', '日本',           'JPY'),
    ('PL', 'Polska',         'PLN'),
    ('TR', 'Türkiye',        'TRY'),
    ('US', 'United States',  'USD');

CREATE TABLE customers (
    customer_id    INTEGER PRIMARY KEY,
    name           VARCHAR(60) NOT NULL,
    city           VARCHAR(40),
    country        CHAR(2) REFERENCES countries (code),
    email          VARCHAR(80),
    birth_date     DATE,
    signed_up      TIMESTAMP NOT NULL,
    is_business    BOOLEAN NOT NULL,
    credit_limit   NUMERIC(12,2),
    loyalty_points BIGINT NOT NULL
);

-- Customers whose names exercise quoting and unusual characters.
INSERT INTO customers VALUES
    (1, 'Ñandú Importaciones S.A.', 'Córdoba',    'AR', 'compras@nandu.example',  NULL,         '2023-01-09 09:15:00', 1, 250000.00, 3000000000),
    (2, 'Smith, "Ace" & Co.',       'New York',   'US', 'orders@ace.example',     NULL,         '2023-02-14 16:45:30', 1, 99999.99,  2147483648),
    (3, 'O''Brien''s Pub',          'Reykjavík',  'IS', NULL,                     NULL,         '2023-03-01 00:00:00', 1, NULL,      0),
    (4, 'Jürgen Müller',            'Köln',       'DE', 'j.mueller@mail.example', '1961-07-30', '2023-03-17 11:02:45', 0, 1500.00,   4294967296),
    (5, '山田 太郎',                '東京',       'JP', 'yamada@mail.example',    '1988-12-01', '2023-04-02 08:30:00', 0, 800.50,    -1),
    (6, 'Søren Ærø',                'Ærøskøbing', 'DK', NULL,                     '1975-02-28', '2023-05-05 19:59:59', 0, 0.00,      9007199254740993);

-- Fifty-four more, built from name parts chosen by the row number.
INSERT INTO customers
WITH RECURSIVE
    n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 53),
    first_names(k, v) AS (VALUES
        (0, 'Anna'), (1, 'Björn'), (2, 'Chloé'), (3, 'Dmitri'), (4, 'Eiko'),
        (5, 'François'), (6, 'Günther'), (7, 'Hana'), (8, 'Íñigo'), (9, 'Zoë')),
    last_names(k, v) AS (VALUES
        (0, 'Müller'), (1, 'Østergaard'), (2, 'García'), (3, 'Tanaka'),
        (4, 'Smith'), (5, 'Nowak'), (6, 'Yılmaz'), (7, 'Gonçalves'),
        (8, 'Jónsdóttir'), (9, 'Schäfer'), (10, 'Kowalczyk'), (11, 'Sato')),
    places(k, city, country) AS (VALUES
        (0, 'München', 'DE'), (1, 'Ærøskøbing', 'DK'), (2, '東京', 'JP'),
        (3, 'Córdoba', 'AR'), (4, 'São Paulo', 'BR'), (5, 'Reykjavík', 'IS'),
        (6, 'Zürich', 'CH'), (7, 'Kraków', 'PL'), (8, 'İstanbul', 'TR'),
        (9, 'New York', 'US'), (10, 'Köln', 'DE'), (11, '大阪', 'JP'))
SELECT
    7 + i,
    f.v || ' ' || l.v,
    CASE WHEN i % 13 = 12 THEN NULL ELSE p.city END,
    CASE WHEN i % 13 = 12 THEN NULL ELSE p.country END,
    CASE WHEN i % 7 = 3 THEN NULL ELSE 'customer' || (7 + i) || '@mail.example' END,
    CASE WHEN i % 5 = 4 THEN NULL
         ELSE date('1950-01-01', '+' || (i * 409 % 18000) || ' days') END,
    datetime('2023-06-01 08:00:00', '+' || (i * 5) || ' days', '+' || (i * 97 % 600) || ' minutes'),
    i % 6 = 0,
    CASE WHEN i % 4 = 1 THEN NULL ELSE (i * 250) + (i % 100) / 100.0 END,
    CASE WHEN i % 3 = 0 THEN 2147483647 + i * 1000003 ELSE i * 37 END
FROM n
JOIN first_names f ON f.k = i % 10
JOIN last_names  l ON l.k = (i * 7 + i / 10) % 12
JOIN places      p ON p.k = (i * 5) % 12;

CREATE TABLE products (
    product_id  INTEGER PRIMARY KEY,
    name        VARCHAR(60) NOT NULL,
    category    VARCHAR(20) NOT NULL,
    unit_price  NUMERIC(10,2) NOT NULL,
    weight_kg   DOUBLE,
    in_stock    BOOLEAN NOT NULL,
    barcode     BIGINT,
    added_on    DATE NOT NULL,
    description TEXT
);

INSERT INTO products VALUES
    (1,  'Ñandú plush toy',             'Toys',     19.99,  0.35,    1, 7791234567897, '2022-11-03', 'Soft, 30 cm tall'),
    (2,  'Crème brûlée set',            'Kitchen',  34.50,  1.2,     1, 3017620422003, '2022-11-03', NULL),
    (3,  'Smørrebrød board',            'Kitchen',  24.00,  0.9,     1, 5701234567892, '2022-12-12', 'Oak; oiled'),
    (4,  '抹茶 100 g',                  'Food',     12.80,  0.1,     1, 4901234567894, '2023-01-20', '宇治 (Uji)'),
    (5,  'Größenverstellbarer Hocker',  'Furniture',89.00,  6.75,    0, 4006381333931, '2023-01-20', NULL),
    (6,  'Æble cider 6 × 0.33 l',       'Drinks',   15.60,  2.4,     1, 5709876543212, '2023-02-01', 'Contains alcohol'),
    (7,  'Piñata "Estrella"',           'Toys',     27.25,  1.05,    1, 7790001112223, '2023-02-15', 'Seven points, "made by hand"'),
    (8,  'Pão de queijo mix',           'Food',     6.49,   0.5,     1, 7891000315507, '2023-03-08', NULL),
    (9,  'Łódź city map',               'Books',    4.99,   0.08,    1, 5901234123457, '2023-03-08', NULL),
    (10, 'Çay glasses (6)',             'Kitchen',  18.90,  0.75,    1, 8690123456789, '2023-04-11', 'Tulip shape'),
    (11, 'Kaffee "Stark", 500 g',       'Food',     9.95,   0.5,     1, 4008167102345, '2023-04-11', NULL),
    (12, 'Tea towel, linen',            'Kitchen',  7.50,   0.12,    1, 5012345678900, '2023-05-02', 'Line one' || char(10) || 'line two'),
    (13, 'Ísland wool blanket',         'Home',     149.00, 1.8,     1, 5690123456781, '2023-05-02', NULL),
    (14, 'Swiss army knife',            'Outdoor',  54.90,  0.085,   1, 7611160000000, '2023-06-19', '15 functions'),
    (15, 'Kraków pretzel (obwarzanek)', 'Food',     1.20,   0.09,    0, NULL,          '2023-06-19', NULL),
    (16, 'Ceramic teapot 1.2 l',        'Kitchen',  42.00,  1.35,    1, 4901111222333, '2023-07-07', NULL),
    (17, 'Hiking boots, size 42',       'Outdoor',  129.95, 1.6,     1, 4051234500012, '2023-08-21', 'Waterproof'),
    (18, 'Board game "Ticket"',         'Toys',     44.99,  2.1,     1, 8240000000017, '2023-09-09', NULL),
    (19, 'Yerba mate 1 kg',             'Food',     8.75,   1.0,     1, 7790387000013, '2023-10-10', NULL),
    (20, 'Garden bench',                'Furniture',249.00, 21.5,    1, 4009876543210, '2023-11-30', 'Assembly required'),
    (21, 'USB-C cable 2 m',             'Tech',     11.99,  0.06,    1, 6901234567892, '2024-01-15', NULL),
    (22, 'Noise-cancelling headphones', 'Tech',     279.00, 0.25,    1, 4548736132610, '2024-02-02', NULL),
    (23, 'Espresso cups (2)',           'Kitchen',  13.40,  0.3,     0, 8001234567890, '2024-02-29', NULL),
    (24, 'Gift card',                   'Other',    50.00,  NULL,    1, NULL,          '2024-03-01', 'Value in EUR; no expiry');

CREATE TABLE orders (
    order_id      INTEGER PRIMARY KEY,
    customer_id   INTEGER NOT NULL REFERENCES customers (customer_id),
    ordered_at    TIMESTAMP NOT NULL,
    shipped_on    DATE,
    status        VARCHAR(10) NOT NULL,
    paid          BOOLEAN NOT NULL,
    shipping_cost NUMERIC(8,2) NOT NULL,
    tracking_no   BIGINT,
    note          TEXT
);

INSERT INTO orders
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150),
    o(i, ordered_at) AS (
        SELECT i, datetime('2024-01-01 08:00:00', '+' || (i * 2) || ' days',
                           '+' || (i * 37 % 600) || ' minutes')
        FROM n)
SELECT
    i,
    (i * 17) % 60 + 1,
    ordered_at,
    CASE WHEN i % 9 = 0 THEN NULL ELSE date(ordered_at, '+' || (1 + i % 5) || ' days') END,
    CASE WHEN i % 9 = 0 THEN 'open' WHEN i % 11 = 0 THEN 'returned' ELSE 'shipped' END,
    i % 9 <> 0 OR i % 2 = 0,
    CASE WHEN i % 4 = 0 THEN 0 ELSE 4.90 + (i % 3) * 2.5 END,
    CASE WHEN i % 9 = 0 THEN NULL ELSE 900000000000 + i * 7919 END,
    CASE i % 25 WHEN 0 THEN 'Gift — please wrap' WHEN 7 THEN 'Deliver to neighbour: Frau Schröder'
                ELSE NULL END
FROM o;

CREATE TABLE order_items (
    order_id   INTEGER NOT NULL REFERENCES orders (order_id),
    line_no    INTEGER NOT NULL,
    product_id INTEGER NOT NULL REFERENCES products (product_id),
    quantity   INTEGER NOT NULL,
    unit_price NUMERIC(10,2) NOT NULL,
    discount   DOUBLE NOT NULL,
    PRIMARY KEY (order_id, line_no)
);

-- One to three lines per order.
INSERT INTO order_items
WITH RECURSIVE line(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM line WHERE k < 3)
SELECT
    o.order_id,
    line.k,
    p.product_id,
    1 + (o.order_id + line.k) % 5,
    p.unit_price,
    CASE WHEN o.order_id % 10 = 0 THEN 0.1 WHEN line.k = 3 THEN 0.05 ELSE 0.0 END
FROM orders o
JOIN line ON line.k <= 1 + o.order_id % 3
JOIN products p ON p.product_id = (o.order_id * 7 + line.k * 5) % 24 + 1
ORDER BY o.order_id, line.k;

CREATE VIEW order_totals AS
SELECT
    o.order_id,
    o.customer_id,
    o.ordered_at,
    COUNT(*) AS lines,
    SUM(i.quantity) AS items,
    ROUND(SUM(i.quantity * i.unit_price * (1 - i.discount)) + o.shipping_cost, 2) AS total
FROM orders o
JOIN order_items i ON i.order_id = o.order_id
GROUP BY o.order_id;

COMMIT;
