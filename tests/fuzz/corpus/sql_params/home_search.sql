SELECT
    HOME_ID,
    NAME,
    PHONE
FROM
    HOME_PHONES
where
   @@where%0=1@

====
UPPER(PHONE) = '12345' AND 
