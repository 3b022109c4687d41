-- Press Execute to run all three queries, or select one and run only that.
-- The grid takes its columns from the first query, and each further query
-- starts with a SubHeading line that names its own columns.

-- Revenue per country, from the order_totals view
SELECT co.name AS country,
       COUNT(DISTINCT c.customer_id) AS customers,
       COUNT(t.order_id) AS orders,
       SUM(t.items) AS items,
       ROUND(SUM(t.total), 2) AS revenue
FROM order_totals t
JOIN customers c ON c.customer_id = t.customer_id
LEFT JOIN countries co ON co.code = c.country
GROUP BY co.name
ORDER BY revenue DESC;

-- Best-selling products
SELECT p.name AS product,
       p.category,
       SUM(i.quantity) AS units,
       ROUND(SUM(i.quantity * i.unit_price * (1 - i.discount)), 2) AS revenue,
       MAX(o.ordered_at) AS last_ordered
FROM order_items i
JOIN products p ON p.product_id = i.product_id
JOIN orders o ON o.order_id = i.order_id
GROUP BY p.product_id
ORDER BY units DESC, p.name
LIMIT 10;

-- Orders not shipped yet (shipped_on and tracking_no are NULL)
SELECT o.order_id,
       c.name AS customer,
       c.city,
       o.ordered_at,
       t.total
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
JOIN order_totals t ON t.order_id = o.order_id
WHERE o.shipped_on IS NULL
ORDER BY o.ordered_at;
