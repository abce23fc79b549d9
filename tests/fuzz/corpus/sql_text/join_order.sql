select h.name, s.name as street /* the street */ from homes h left join streets s on s.street_id = h.street_id
where h.phone = :phone and s.name <> 'where' -- not this
order by h.name desc, s."Name" collate pxw_cyrl