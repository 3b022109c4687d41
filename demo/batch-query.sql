-- Every order with its customer and total, exported by scripts/demo.sh.
SELECT o.order_id,
       c.name AS customer,
       c.city,
       c.country,
       o.ordered_at,
       o.shipped_on,
       o.status,
       o.paid,
       o.tracking_no,
       t.items,
       t.total,
       o.note
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
JOIN order_totals t ON t.order_id = o.order_id
ORDER BY o.order_id
